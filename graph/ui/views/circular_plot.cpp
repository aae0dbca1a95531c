#include "graph/ui/views/circular_plot.h"

#include "graph/ui/views/circular_plot_widget.h"
#include "graph/widgets/my_slider.h"
#include "graph/ui/views/plot_export.h"
#include "linkmesh/linkmesh.h"

#include <QAction>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QMenu>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <exception>

namespace graph::ui {

using namespace graph::io;
using namespace graph::widgets;

CircularPlot::CircularPlot(const Subject& subject, std::vector<Eigen::MatrixXf> matrices,
                           const QStringList& nodeNames, QWidget* parent)
    : QMainWindow(parent),
      conditions_(subject.manifest.ordered_conditions),
      usesProtocol_(subject.manifest.uses_proto),
      matrices_(std::move(matrices)) {
    setObjectName(QStringLiteral("CircularPlotWindow"));
    setWindowTitle(QStringLiteral("Connectivity Plot"));
    resize(700, 781);
    setMinimumSize(700, 700);

    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("centralWidget"));
    mainLayout_ = new QVBoxLayout(central);
    mainLayout_->setObjectName(QStringLiteral("mainVLayout"));
    plot_ = new CircularPlotWidget(central);
    plot_->setMatrices(matrices_);
    plot_->setNodeNames(nodeNames);
    plot_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(plot_, &QWidget::customContextMenuRequested, this, &CircularPlot::showContextMenu);
    mainLayout_->addWidget(plot_, 1);

    conditionsLayout_ = new QHBoxLayout;
    conditionsLayout_->setObjectName(QStringLiteral("hLayout_Conditions"));
    slider_ = new MySlider(central);
    slider_->setObjectName(QStringLiteral("hSlider_Conditions"));
    conditionsLayout_->addWidget(slider_);
    mainLayout_->addLayout(conditionsLayout_);
    setCentralWidget(central);
    connect(slider_, &QSlider::sliderReleased, this, &CircularPlot::valueChanged);
    // A click on the groove or a key changes the value without a release:
    // the plot follows at once. While a handle is dragged it waits for the
    // release, so a drag across many conditions draws only the last.
    connect(slider_, &QSlider::valueChanged, this, [this] {
        if (!slider_->isSliderDown()) valueChanged();
    });

    exportAction_ = new QAction(QStringLiteral("Export to image..."), this);
    connect(exportAction_, &QAction::triggered, this, &CircularPlot::saveImage);
    figureAction_ = new QAction(plot_export::kFigureAction, this);
    connect(figureAction_, &QAction::triggered, this, &CircularPlot::saveFigure);
    mstAction_ = new QAction(QStringLiteral("Mark maximum spanning tree"), this);
    mstAction_->setCheckable(true);
    connect(mstAction_, &QAction::triggered, this, &CircularPlot::markMaximumSpanningTree);

    state_.insert(QStringLiteral("slice"), 0);
    state_.insert(QStringLiteral("mst"), QVariantList());
    state_.insert(QStringLiteral("condition_str"), QString());
    state_.insert(QStringLiteral("condition_type"), 1);
}

QList<QAction*> CircularPlot::contextActions() const {
    return {exportAction_, mstAction_};
}

void CircularPlot::buildAndPlot() {
    QMutexLocker lock(&mutex_);
    if (!usesProtocol_) {
        slider_->hide();
    } else {
        QStringList names;
        for (const ConditionRecord& c : conditions_) names << QString::fromStdString(c.name);
        const QSignalBlocker quiet(slider_);
        slider_->setLabels(names);
        slider_->setValue(1);
    }
    setCondition(0);
    replot();
}

void CircularPlot::setCondition(int k) {
    state_.insert(QStringLiteral("slice"), k);
    if (usesProtocol_ && k >= 0 && static_cast<std::size_t>(k) < conditions_.size()) {
        const ConditionRecord& c = conditions_[static_cast<std::size_t>(k)];
        state_.insert(QStringLiteral("condition_str"), QString::fromStdString(c.name));
        state_.insert(QStringLiteral("condition_type"), c.type);
    } else {
        state_.insert(QStringLiteral("condition_str"), QString());
        state_.insert(QStringLiteral("condition_type"), 1);
    }
}

void CircularPlot::replot() {
    QMutexLocker lock(&mutex_);
    const int mode = usesProtocol_ ? state_.value(QStringLiteral("condition_type")).toInt() : 1;
    plot_->plot(mode == CircularPlotWidget::TriggerMode ? mode : CircularPlotWidget::GraphMode, state_);
    // A new matrix keeps the range the user has chosen.
    if (rangeSet_) plot_->setDisplayRange(lower_ / 1000.0, upper_ / 1000.0);
}

void CircularPlot::valueChanged() {
    QMutexLocker lock(&mutex_);
    setCondition(slider_->value() - 1);
    // The marker belongs to the matrix it was computed from.
    if (mstAction_->isChecked())
        markMaximumSpanningTree();
    else
        replot();
}

void CircularPlot::displayRangeChanged(int lower, int upper) {
    QMutexLocker lock(&mutex_);
    lower_ = lower;
    upper_ = upper;
    rangeSet_ = true;
    plot_->setDisplayRange(lower / 1000.0, upper / 1000.0);
}

void CircularPlot::showContextMenu(const QPoint& pos) {
    QMenu menu(this);
    menu.addAction(exportAction_);
    menu.addAction(figureAction_);
    menu.addAction(mstAction_);
    menu.exec(plot_->mapToGlobal(pos));
}

void CircularPlot::saveImage() {
    // The pointer's highlight is not part of the picture.
    plot_->clearHover();
    plot_export::saveWidgetImage(this, plot_, prompts_);
}

plot_export::FigurePainter CircularPlot::figure() const {
    CircularPlotWidget* plot = plot_;
    // The plot as it is, not as the pointer last left it; and the content
    // the view is fitted to: every label and the colour key.
    return [plot](QPainter& painter, const QRectF& target) { plot->drawFigure(painter, target); };
}

void CircularPlot::saveFigure() {
    plot_export::saveFigure(this, figure(), prompts_);
}

void CircularPlot::markMaximumSpanningTree() {
    QMutexLocker lock(&mutex_);
    QVariantList marker;
    const int slice = state_.value(QStringLiteral("slice")).toInt();
    if (mstAction_->isChecked() && slice >= 0 && static_cast<std::size_t>(slice) < matrices_.size()) {
        try {
            const Eigen::MatrixXf tree =
                linkmesh::maximum_spanning_tree(matrices_[static_cast<std::size_t>(slice)]);
            marker.reserve(static_cast<int>(tree.size()));
            for (Eigen::Index i = 0; i < tree.rows(); ++i)
                for (Eigen::Index j = 0; j < tree.cols(); ++j) marker.append(tree(i, j));
        } catch (const std::exception& e) {
            prompts_.showError(this, QStringLiteral("Connectivity Plot"), QString::fromStdString(e.what()));
        }
    }
    state_.insert(QStringLiteral("mst"), marker);
    replot();
}

void CircularPlot::closeEvent(QCloseEvent* event) {
    emit closingWindow();
    QMainWindow::closeEvent(event);
}

}  // namespace graph::ui
