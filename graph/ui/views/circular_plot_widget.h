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
class QGraphicsEllipseItem;
class QGraphicsItem;
class QGraphicsSimpleTextItem;

namespace graph::widgets {
class MyGraphicsSimpleTextItem;
}  // namespace graph::widgets

namespace graph::ui {

using widgets::MyGraphicsSimpleTextItem;

class CircularPlotColourBar;
class CircularPlotEdges;

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
    // One label per node, label k for node k; thinned ones are hidden.
    const QList<MyGraphicsSimpleTextItem*>& labels() const { return labels_; }
    // Every node's full name as a tool tip, also where its label is thinned.
    const QList<QGraphicsEllipseItem*>& nodeTips() const { return nodeTips_; }
    // Labels shown: every labelStep()-th node when they cannot all fit.
    int labelStep() const { return labelStep_; }
    CircularPlotColourBar* colourBar() const { return colourBar_; }
    // The part of the scene the view is fitted to and figures are drawn
    // from: the circle, every shown label and the colour key.
    QRectF contentRect() const { return contentRect_; }
    // Takes back a hover highlight (an edge's or a label's), so that a
    // figure shows the plot as it is and not the pointer's trace.
    void clearHover();
    // The content as a figure: no hover highlight, edges as paths.
    void drawFigure(QPainter& painter, const QRectF& target);
    CircularPlotEdges* edgeLayer() const { return edgeLayer_; }
    QGraphicsSimpleTextItem* valueText() const { return valueText_; }
    QGraphicsSimpleTextItem* triggerText() const { return triggerText_; }
    // Where node k is drawn, in the chart's item coordinates.
    QPointF nodeOnScreen(int k) const;
    bool labelsVisible() const { return labelsVisible_; }

    static const QColor& defaultEdgeColor();

public slots:
    void hoveringLabel(bool state);
    // Shows only node's edges (true) or every edge in the range again.
    void hoverNode(int node, bool state);
    void highlightEdge(QPointF point, bool state);
    // Any edge's hover, for callers that know the series (tests).
    void highlightEdgeSeries(QtCharts::QSplineSeries* series, bool state);

protected:
    // The chart keeps its own size; the view scales the content to fit.
    void resizeEvent(QResizeEvent* event) override;

private:
    void clearGraph();
    void fitContent();
    void restoreFadedPens();
    void updateColourBar();
    void placeColourBar();
    QString nodeName(int k) const;
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
    QList<QGraphicsEllipseItem*> nodeTips_;
    int labelStep_ = 1;
    CircularPlotColourBar* colourBar_ = nullptr;
    QRectF contentRect_;
    QtCharts::QSplineSeries* hoveredEdge_ = nullptr;
    int hoveredNode_ = -1;
    int labelMode_ = GraphMode;
    QHash<int, QtCharts::QSplineSeries*> edges_;
    QtCharts::QScatterSeries* nodes_ = nullptr;
    CircularPlotEdges* edgeLayer_ = nullptr;

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
