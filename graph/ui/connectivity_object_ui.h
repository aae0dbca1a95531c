#pragma once
// The connectivity window of one subject: plot launchers with the circular
// plot's options, the graph feature table, and the (not yet active) node and
// filter tabs.

#include "graph/ui/views/circular_plot.h"
#include "graph/core/weight_policy.h"
#include "graph/ui/views/view_matrix.h"

#include <QDialog>
#include <QPointer>
#include <QStringList>

class QPushButton;

namespace graph::ui {

class CircularPlot;
class ConnectivityObject;
struct ConnectivityForm;
class GraphFeaturesModel;
class NodesModel;

class ConnectivityObjectUI : public QDialog {
    Q_OBJECT

public:
    explicit ConnectivityObjectUI(ConnectivityObject* object, QWidget* parent = nullptr);
    ~ConnectivityObjectUI() override;

    ConnectivityObject* connectivityObject() const { return object_; }
    const ConnectivityForm& form() const { return *ui; }
    GraphFeaturesModel* graphFeaturesModel() const { return featuresModel_; }
    NodesModel* nodesModel() const { return nodesModel_; }
    // The "compute" / "inspect" button of a feature row, or null.
    QPushButton* computeButton(const QString& key) const;
    QPushButton* inspectButton(const QString& key) const;
    // Matrix names: the protocol's ordered conditions when it is used,
    // otherwise "Series 0", "Series 1", ...
    QStringList matrixLabels() const;
    // How the measures treat negative weights (chosen on the features page).
    core::WeightPolicy weightPolicy() const;
    // The plot windows, null until first opened.
    CircularPlot* circularPlot() const { return circularPlot_; }
    ViewMatrix* matrixView() const { return matrixView_; }
    // The feature plot opened last ("inspect"), null once it is closed.
    QWidget* lastFeaturePlot() const { return lastPlot_; }
    // Opens the plot of a computed feature row ("Plot: <title>").
    void openFeaturePlot(int row, const QString& key, const QString& title);

public slots:
    void prepareNodesTable();
    void prepareGraphFeatures();
    void inspectGraphFeature(bool state);
    void computeGraphFeature(bool state);
    void graphfeatures_useFilteredMatrix(bool);
    void plotConnectivityMatrix(bool);
    void plotCircular(bool);
    void circularPlot_disableOptions();
    void circularPlot_displayRangeChanged(int lower, int upper);
    void circularPlot_toggleLabels(bool);
    void circularPlot_setNodesSize(int value);
    void circularPlot_toggleUseWeights(bool);
    void circularPlot_thicknessMultiplierChanged(double);
    void circularPlot_setFixedThickness(double);
    void circularPlot_toggleColorizeEdges(bool);

private slots:
    void featureCellDoubleClicked(const QModelIndex& index);

private:
    QPushButton* featureButton(const QString& key, int column) const;
    void fixSpanLabelWidths();
    void connectWidgets();

    ConnectivityForm* ui;
    ConnectivityObject* object_;
    // Plot windows: created on first use, hidden (not destroyed) when closed.
    QPointer<CircularPlot> circularPlot_;
    QPointer<ViewMatrix> matrixView_;
    QPointer<QWidget> lastPlot_;
    GraphFeaturesModel* featuresModel_ = nullptr;
    NodesModel* nodesModel_ = nullptr;
};

}  // namespace graph::ui
