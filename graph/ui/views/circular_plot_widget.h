#pragma once
// The chart of the circular plot: nodes on a circle, one curved series per
// non-zero connection, node labels around the circle, and the hover and
// display-range behaviour. The window (CircularPlot) decides what to show.

#include <Eigen/Dense>
#include <QChartView>
#include <QFont>
#include <QHash>
#include <QPen>
#include <QStringList>
#include <QVariant>

#include <vector>

namespace QtCharts {
class QScatterSeries;
class QSplineSeries;
class QValueAxis;
}  // namespace QtCharts
class QGraphicsItem;
class QGraphicsSimpleTextItem;

namespace graph::widgets {
class MyGraphicsSimpleTextItem;
}  // namespace graph::widgets

namespace graph::ui {

using widgets::MyGraphicsSimpleTextItem;

class CircularPlotWidget : public QtCharts::QChartView {
    Q_OBJECT

public:
    enum Mode { GraphMode = 1, TriggerMode = 2 };

    explicit CircularPlotWidget(QWidget* parent = nullptr);
    ~CircularPlotWidget() override;

    void setMatrices(std::vector<Eigen::MatrixXf> matrices) { matrices_ = std::move(matrices); }
    void setNodeNames(const QStringList& names) { nodeNames_ = names; }

    // Draws matrix state["slice"] (mode 1) or the trigger text of
    // state["condition_str"] (mode 2); state["mst"] marks edges.
    void plot(int mode, const QHash<QString, QVariant>& state);
    // Shows the edges with low < weight < up, hides the others.
    void setDisplayRange(double low, double up);

    void setNodesSize(int size);
    void setLabelsVisible(bool visible);
    void setUseWeights(bool use);
    void setThicknessMultiplier(double multiplier);
    void setFixedThickness(double thickness);
    void setColorizeEdges(bool colorize);

    // For the window, the tests and the benchmark.
    int nodeCount() const { return n_; }
    const QList<QtCharts::QSplineSeries*> edgeSeries() const { return edges_.values(); }
    QtCharts::QSplineSeries* edge(int i, int j) const;
    QtCharts::QScatterSeries* nodeSeries() const { return nodes_; }
    const QList<MyGraphicsSimpleTextItem*>& labels() const { return labels_; }
    QGraphicsSimpleTextItem* valueText() const { return valueText_; }
    QGraphicsSimpleTextItem* triggerText() const { return triggerText_; }
    // Where node k is drawn, in the chart's item coordinates.
    QPointF nodeOnScreen(int k) const;
    bool labelsVisible() const { return labelsVisible_; }

    static const QColor& defaultEdgeColor();

public slots:
    void hoveringLabel(bool state);
    void highlightEdge(QPointF point, bool state);
    // Any edge's hover, for callers that know the series (tests).
    void highlightEdgeSeries(QtCharts::QSplineSeries* series, bool state);

private:
    void clearGraph();
    void layoutGraph(const Eigen::MatrixXf& matrix, const std::vector<float>& marker, int markerSide);
    void placeLabels();
    void updatePenWidths();

    QtCharts::QChart* chart_;
    QtCharts::QValueAxis* axisX_;
    QtCharts::QValueAxis* axisY_;
    std::vector<Eigen::MatrixXf> matrices_;
    Eigen::MatrixXf matrix_;
    int n_ = 0;
    std::vector<float> angles_;
    QList<QPointF> positions_;
    QStringList nodeNames_;
    QList<MyGraphicsSimpleTextItem*> labels_;
    int labelMode_ = GraphMode;
    QHash<int, QtCharts::QSplineSeries*> edges_;
    QtCharts::QScatterSeries* nodes_ = nullptr;
    QList<QGraphicsItem*> edgeItems_;

    QPen highlightPen_;
    QPen defaultPen_;
    QPen markerPen_;

    int nodesSize_ = 10;
    bool useWeights_ = true;
    double multiplier_ = 5.0;
    bool colorize_ = false;
    double fixedThickness_ = 1.0;
    bool labelsVisible_ = true;

    QFont titleFont_;
    QFont labelFont_;
    QFont triggerFont_;
    QGraphicsSimpleTextItem* valueText_ = nullptr;
    QGraphicsSimpleTextItem* triggerText_ = nullptr;
};

}  // namespace graph::ui
