#include "graph/ui/connectivity_object_ui.h"

#include "graph/ui/connectivity_form.h"
#include "graph/ui/connectivity_object.h"
#include "graph/core/feature_registry.h"
#include "graph/core/graph_feature_compute.h"
#include "graph/ui/graph_features_model.h"
#include "graph/ui/nodes_model.h"
#include "graph/ui/views/circular_plot.h"
#include "graph/ui/views/circular_plot_widget.h"
#include "graph/ui/views/line_plot.h"
#include "graph/ui/views/view_matrix.h"
#include "graph/ui/window_placement.h"
#include "graph/widgets/qxtspanslider.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>

#include <algorithm>
#include <exception>

namespace graph::ui {

using namespace graph::core;
using namespace graph::io;
using namespace graph::widgets;

namespace {

constexpr int kSpanMaximum = 1000;  // the span slider works in thousandths

// Keeps the wait cursor up while a measure runs on the UI thread.
class WaitCursor {
public:
    WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

// A span slider value as the labels beside it show it, in units of the range.
QString spanText(int value) {
    return QString::number(value / double(kSpanMaximum), 'g', 6);
}

QString plotTitleOf(const QString& key) {
    const FeatureDefinition* feature = findFeature(key.toStdString());
    return feature ? QString::fromStdString(feature->plotTitle) : QString();
}

QPushButton* makeFeatureButton(const QString& text, int row, const QString& key) {
    auto* button = new QPushButton(text);
    button->setFlat(true);
    button->setProperty("row", row);
    button->setProperty("measure", key);
    return button;
}

}  // namespace

ConnectivityObjectUI::ConnectivityObjectUI(ConnectivityObject* object, QWidget* parent)
    : QDialog(parent), ui(new ConnectivityForm), object_(object) {
    ui->setupUi(this);
    // Several subjects' windows can be open at once: the title tells them apart.
    setWindowTitle(QStringLiteral("%1 - %2").arg(
        windowTitle(), QString::fromStdString(object_->subject().manifest.unique_id)));
    prepareGraphFeatures();
    prepareNodesTable();
    ui->tabWidget->setTabEnabled(ui->tabWidget->indexOf(ui->tab_Filter), false);
    ui->tabWidget->setTabEnabled(ui->tabWidget->indexOf(ui->tab_Nodes), false);

    QxtSpanSlider* spanner = ui->widget_CircPlot_Spanner;
    spanner->setOrientation(Qt::Horizontal);
    spanner->setRange(0, kSpanMaximum);
    spanner->setSpan(0, kSpanMaximum);
    // Arrow keys move a handle by a hundredth of the range, Page Up/Down by a
    // tenth: a thousandth per key press took a thousand presses to cross it.
    spanner->setSingleStep(kSpanMaximum / 100);
    spanner->setPageStep(kSpanMaximum / 10);
    fixSpanLabelWidths();

    connectWidgets();
}

ConnectivityObjectUI::~ConnectivityObjectUI() {
    delete ui;
}

void ConnectivityObjectUI::connectWidgets() {
    connect(ui->pb_PlotConnMtx, &QPushButton::clicked, this, &ConnectivityObjectUI::plotConnectivityMatrix);
    connect(ui->pb_CircularPlotConnMtx, &QPushButton::clicked, this, &ConnectivityObjectUI::plotCircular);
    connect(ui->chkBox_CircPlot_ShowLabels, &QCheckBox::toggled, this,
            &ConnectivityObjectUI::circularPlot_toggleLabels);
    connect(ui->widget_CircPlot_Spanner, &QxtSpanSlider::spanChanged, this,
            &ConnectivityObjectUI::circularPlot_displayRangeChanged);
    connect(ui->sBox_CircPlot_NodesSize, QOverload<int>::of(&QSpinBox::valueChanged), this,
            &ConnectivityObjectUI::circularPlot_setNodesSize);
    connect(ui->chkBox_CircPlot_ConnWeights, &QCheckBox::toggled, this,
            &ConnectivityObjectUI::circularPlot_toggleUseWeights);
    connect(ui->dsBox_CircPlot_EdgesThickness, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
            &ConnectivityObjectUI::circularPlot_setFixedThickness);
    connect(ui->chkBox_CircPlot_ConnColors, &QCheckBox::toggled, this,
            &ConnectivityObjectUI::circularPlot_toggleColorizeEdges);
    connect(ui->sBox_CircPlot_ThicknessMultiplier, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
            &ConnectivityObjectUI::circularPlot_thicknessMultiplierChanged);
    connect(ui->ckBox_UseFilteredMatrix, &QCheckBox::toggled, this,
            &ConnectivityObjectUI::graphfeatures_useFilteredMatrix);
    connect(ui->pb_Close, &QPushButton::clicked, this, &QWidget::close);
}

WeightPolicy ConnectivityObjectUI::weightPolicy() const {
    return ui->cbox_NegativeWeights->currentIndex() == 1 ? WeightPolicy::Absolute
                                                         : WeightPolicy::PositiveOnly;
}

QStringList ConnectivityObjectUI::matrixLabels() const {
    const Subject& subject = object_->subject();
    const std::size_t count = object_->matrices().size();
    QStringList labels;
    for (std::size_t k = 0; k < count; ++k) {
        if (subject.manifest.uses_proto && k < subject.manifest.ordered_conditions.size())
            labels << QString::fromStdString(subject.manifest.ordered_conditions[k].name);
        else
            labels << QStringLiteral("Series %1").arg(k);
    }
    return labels;
}

// ---------------------------------------------------------------------------
// Node table

void ConnectivityObjectUI::prepareNodesTable() {
    if (!nodesModel_) {
        nodesModel_ = new NodesModel(this);
        ui->tblView_Nodes->setModel(nodesModel_);
    }
    nodesModel_->setNodeNames(object_->nodeNames());
    for (int row = 0; row < nodesModel_->rowCount(); ++row) {
        auto* box = new QCheckBox;
        box->setChecked(true);
        box->setProperty("row", row);
        box->setStyleSheet(QStringLiteral("margin-left:50%; margin-right:50%;"));
        ui->tblView_Nodes->setIndexWidget(nodesModel_->index(row, 1), box);
    }
    ui->tblView_Nodes->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
}

// ---------------------------------------------------------------------------
// Graph features

void ConnectivityObjectUI::prepareGraphFeatures() {
    featuresModel_ = new GraphFeaturesModel(this);
    if (object_->subject().manifest.uses_proto) featuresModel_->setUsesProtocol(true);
    QTableView* table = ui->tblView_GraphFeatures;
    table->setModel(featuresModel_);
    table->hideColumn(GraphFeaturesModel::TypeColumn);

    for (const GraphFeatureRow& entry : graphFeatureTable()) {
        const GraphFeature& f = entry.feature;
        const int row = featuresModel_->addRow(f.group, f.name, f.description, f.key, f.scalar);
        if (f.key.isEmpty()) {
            table->setSpan(row, GraphFeaturesModel::NameColumn, 1, 4);
            continue;
        }
        QPushButton* compute = makeFeatureButton(QStringLiteral("compute"), row, f.key);
        connect(compute, &QPushButton::clicked, this, &ConnectivityObjectUI::computeGraphFeature);
        table->setIndexWidget(featuresModel_->index(row, GraphFeaturesModel::ComputeColumn), compute);

        // Global efficiency has one value per matrix: the Result column
        // shows them (named per condition) instead of an "inspect" button.
        if (f.key == QLatin1String("global_efficiency")) continue;
        QPushButton* inspect = makeFeatureButton(QStringLiteral("inspect"), row, f.key);
        inspect->setEnabled(false);
        connect(inspect, &QPushButton::clicked, this, &ConnectivityObjectUI::inspectGraphFeature);
        table->setIndexWidget(featuresModel_->index(row, GraphFeaturesModel::ResultColumn), inspect);
    }
    featuresModel_->setMatrixLabels(matrixLabels());
    connect(table, &QTableView::doubleClicked, this, &ConnectivityObjectUI::featureCellDoubleClicked);

    QHeaderView* header = table->horizontalHeader();
    header->setSectionResizeMode(GraphFeaturesModel::TypeColumn, QHeaderView::ResizeToContents);
    header->setSectionResizeMode(GraphFeaturesModel::NameColumn, QHeaderView::ResizeToContents);
    header->setSectionResizeMode(GraphFeaturesModel::DescriptionColumn, QHeaderView::Stretch);
    // The button columns take what their buttons (or one "condition: value"
    // line per matrix) need, leaving the rest to the descriptions.
    header->setSectionResizeMode(GraphFeaturesModel::ComputeColumn, QHeaderView::ResizeToContents);
    header->setSectionResizeMode(GraphFeaturesModel::ResultColumn, QHeaderView::ResizeToContents);
    // Rows grow with the wrapped descriptions whatever width the window gets.
    table->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
}

QPushButton* ConnectivityObjectUI::featureButton(const QString& key, int column) const {
    const int row = featuresModel_->rowOf(key);
    if (row < 0) return nullptr;
    return qobject_cast<QPushButton*>(
        ui->tblView_GraphFeatures->indexWidget(featuresModel_->index(row, column)));
}

QPushButton* ConnectivityObjectUI::computeButton(const QString& key) const {
    return featureButton(key, GraphFeaturesModel::ComputeColumn);
}

QPushButton* ConnectivityObjectUI::inspectButton(const QString& key) const {
    return featureButton(key, GraphFeaturesModel::ResultColumn);
}

void ConnectivityObjectUI::computeGraphFeature(bool) {
    auto* button = qobject_cast<QPushButton*>(sender());
    if (!button) return;
    const int row = button->property("row").toInt();
    const QString key = button->property("measure").toString();
    const std::string measure = key.toStdString();
    if (!isGraphFeatureKey(measure)) return;

    const std::vector<Eigen::MatrixXf>& matrices = object_->matrices();
    if (matrices.empty()) return;

    const UserPrompts& prompts = object_->prompts();
    if (graphFeatureNeedsConfirmation(measure, matrices) &&
        !prompts.askYesNo(
            this, QStringLiteral("Caution."),
            QStringLiteral("The matrix is too big and the computation might take too long. Continue?")))
        return;

    const WeightPolicy policy = weightPolicy();
    std::vector<std::vector<float>> values;
    try {
        WaitCursor wait;
        values = computeFeatureValues(measure, matrices, policy);
    } catch (const std::exception& e) {
        prompts.showError(this, QStringLiteral("Graph Analysis"),
                          tr("Could not compute \"%1\": %2")
                              .arg(featuresModel_->feature(key).name, QString::fromStdString(e.what())));
        return;
    }

    FeatureSeries series;
    for (const std::vector<float>& perMatrix : values)
        series.append(FeatureValues(perMatrix.begin(), perMatrix.end()));

    const QString note =
        QStringLiteral("Computed with %1.").arg(QString::fromStdString(weightPolicyText(policy)));
    featuresModel_->setResultNote(row, note);
    if (key == QLatin1String("global_efficiency")) {
        if (series.size() == 1)
            featuresModel_->setResult(row, QVariant(series.first().first()));
        else
            featuresModel_->setResult(row, QVariant::fromValue(series));
        return;
    }
    featuresModel_->setResult(row, QVariant::fromValue(series));
    if (QPushButton* inspect = inspectButton(key)) {
        inspect->setProperty("win_title", plotTitleOf(key));
        inspect->setToolTip(note);
        inspect->setEnabled(true);
    }
}

void ConnectivityObjectUI::inspectGraphFeature(bool) {
    auto* button = qobject_cast<QPushButton*>(sender());
    if (!button) return;
    openFeaturePlot(button->property("row").toInt(), button->property("measure").toString(),
                    button->property("win_title").toString());
}

void ConnectivityObjectUI::openFeaturePlot(int row, const QString& key, const QString& title) {
    const QVariant stored = featuresModel_->result(row);
    FeatureSeries series;
    if (stored.userType() == qMetaTypeId<FeatureSeries>())
        series = stored.value<FeatureSeries>();
    else if (stored.isValid())
        series.append(FeatureValues{stored.toFloat()});
    if (series.isEmpty()) return;
    const Subject& subject = object_->subject();
    const QStringList labels = matrixLabels();

    LinePlot* plot = nullptr;
    if (key == QLatin1String("global_efficiency")) {
        auto* timeseries = new TimeseriesLinePlot(title, subject.manifest.uses_proto, this);
        FeatureValues perMatrix;
        for (const FeatureValues& values : series) perMatrix.append(values.isEmpty() ? 0.0f : values.first());
        timeseries->setValues(perMatrix, title);
        timeseries->setConditions(labels);
        plot = timeseries;
    } else {
        plot = new LinePlot(title, subject.manifest.uses_proto, this);
        for (int k = 0; k < series.size(); ++k) {
            int type = 1;
            if (subject.manifest.uses_proto &&
                static_cast<std::size_t>(k) < subject.manifest.ordered_conditions.size())
                type = subject.manifest.ordered_conditions[static_cast<std::size_t>(k)].type;
            plot->addSeries(series.at(k), labels.value(k), type);
        }
        // The plotted nodes are the selected ones, so their names label the axis.
        plot->finish(object_->nodeNames());
    }
    plot->setSourcesText(QStringLiteral("Subject: %1\nMatrices: %2\nWeights: %3")
                             .arg(QString::fromStdString(subject.manifest.unique_id))
                             .arg(series.size())
                             .arg(featuresModel_->resultNote(row)));
    plot->setAttribute(Qt::WA_DeleteOnClose);
    plot->setWindowFlag(Qt::Window);
    plot->setPrompts(object_->prompts());
    lastPlot_ = plot;
    placeNewWindow(plot);
    plot->show();
    plot->raise();
}

void ConnectivityObjectUI::featureCellDoubleClicked(const QModelIndex& index) {
    // Global efficiency per condition has no "inspect" button (its Result
    // cell lists the values); a double click there plots them.
    const QString key = featuresModel_->keyOfRow(index.row());
    if (key != QLatin1String("global_efficiency") || index.column() != GraphFeaturesModel::ResultColumn)
        return;
    if (featuresModel_->result(index.row()).userType() != qMetaTypeId<FeatureSeries>()) return;
    openFeaturePlot(index.row(), key, plotTitleOf(key));
}

void ConnectivityObjectUI::graphfeatures_useFilteredMatrix(bool) {
    // No filtered matrix is computed (the "Fliter" tab is disabled), so there
    // is nothing to switch to.
}

// ---------------------------------------------------------------------------
// Plot launchers and circular plot options

void ConnectivityObjectUI::plotConnectivityMatrix(bool) {
    if (!matrixView_) {
        auto* view = new ViewMatrix(this);
        view->setWindowFlag(Qt::Window);
        view->setPrompts(object_->prompts());
        view->setMatrices(object_->matrices());
        view->setNodeNames(object_->nodeNames());
        if (object_->subject().manifest.uses_proto)
            view->setConditions(object_->subject().manifest.ordered_conditions);
        matrixView_ = view;
        view->build();
        placeNewWindow(view);
    }
    matrixView_->show();
    matrixView_->raise();
}

void ConnectivityObjectUI::plotCircular(bool) {
    ui->groupbox_CircularPlot->setEnabled(true);
    if (!circularPlot_) {
        circularPlot_ = new CircularPlot(object_->subject(), object_->matrices(), object_->nodeNames(), this);
        circularPlot_->setWindowFlag(Qt::Window);
        circularPlot_->setPrompts(object_->prompts());
        connect(circularPlot_, &CircularPlot::closingWindow, this,
                &ConnectivityObjectUI::circularPlot_disableOptions);
        connect(ui->widget_CircPlot_Spanner, &QxtSpanSlider::spanChanged, circularPlot_,
                &CircularPlot::displayRangeChanged);
        // The plot starts with the options as the window shows them.
        CircularPlotWidget* widget = circularPlot_->plotWidget();
        widget->setLabelsVisible(ui->chkBox_CircPlot_ShowLabels->isChecked());
        widget->setNodesSize(ui->sBox_CircPlot_NodesSize->value());
        widget->setUseWeights(ui->chkBox_CircPlot_ConnWeights->isChecked());
        widget->setFixedThickness(ui->dsBox_CircPlot_EdgesThickness->value());
        widget->setThicknessMultiplier(ui->sBox_CircPlot_ThicknessMultiplier->value());
        widget->setColorizeEdges(ui->chkBox_CircPlot_ConnColors->isChecked());
        circularPlot_->buildAndPlot();
        placeNewWindow(circularPlot_);
    }
    circularPlot_->show();
    circularPlot_->raise();
}

void ConnectivityObjectUI::circularPlot_disableOptions() {
    ui->groupbox_CircularPlot->setEnabled(false);
}

void ConnectivityObjectUI::circularPlot_displayRangeChanged(int lower, int upper) {
    ui->lbl_Spanner_Low->setText(spanText(lower));
    ui->lbl_Spanner_Upper->setText(spanText(upper));
}

void ConnectivityObjectUI::fixSpanLabelWidths() {
    // A label as wide as its widest text keeps the slider's groove where it
    // is while the values change under the pointer.
    QLabel* low = ui->lbl_Spanner_Low;
    QLabel* upper = ui->lbl_Spanner_Upper;
    const QFontMetrics metrics(low->font());
    int widest = std::max(metrics.horizontalAdvance(low->text()), metrics.horizontalAdvance(upper->text()));
    for (int value = 0; value <= kSpanMaximum; ++value)
        widest = std::max(widest, metrics.horizontalAdvance(spanText(value)));
    const QMargins margins = low->contentsMargins();
    // A pixel either side for glyphs that reach past their advance.
    const int width = widest + margins.left() + margins.right() + 2 * low->margin() + 2;
    low->setFixedWidth(width);
    upper->setFixedWidth(width);
    low->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    upper->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

// Each option goes to the circular plot once it exists.

void ConnectivityObjectUI::circularPlot_toggleLabels(bool state) {
    if (circularPlot_) circularPlot_->plotWidget()->setLabelsVisible(state);
}

void ConnectivityObjectUI::circularPlot_setNodesSize(int value) {
    if (circularPlot_) circularPlot_->plotWidget()->setNodesSize(value);
}

void ConnectivityObjectUI::circularPlot_toggleUseWeights(bool state) {
    if (circularPlot_) circularPlot_->plotWidget()->setUseWeights(state);
}

void ConnectivityObjectUI::circularPlot_thicknessMultiplierChanged(double value) {
    if (circularPlot_) circularPlot_->plotWidget()->setThicknessMultiplier(value);
}

void ConnectivityObjectUI::circularPlot_setFixedThickness(double value) {
    if (circularPlot_) circularPlot_->plotWidget()->setFixedThickness(value);
}

void ConnectivityObjectUI::circularPlot_toggleColorizeEdges(bool state) {
    if (circularPlot_) circularPlot_->plotWidget()->setColorizeEdges(state);
}

}  // namespace graph::ui
