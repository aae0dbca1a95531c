#include "graph/ui/views/circular_plot_widget.h"

#include "graph/core/circular_labels.h"
#include "graph/core/circular_layout.h"
#include "graph/ui/views/circular_plot_colour_bar.h"
#include "graph/ui/views/circular_plot_edges.h"
#include "graph/ui/views/plot_export.h"
#include "graph/widgets/my_graphics_simple_text_item.h"

#include <QFontMetricsF>
#include <QGraphicsEllipseItem>
#include <QGraphicsLayout>
#include <QGraphicsPathItem>
#include <QScatterSeries>
#include <QSplineSeries>
#include <QValueAxis>

#include <cmath>

using namespace QtCharts;

namespace graph::ui {

using namespace graph::core;
using namespace graph::widgets;

namespace {
constexpr qreal kEdgeZ = 3.5;
// Between a node's rim and its label.
constexpr double kLabelGap = 4.0;
// Labels shrink from the base font down to this many pixels before they
// are thinned; smaller text is unreadable even in a printed figure.
constexpr int kLargestShrunkPixels = 13;
constexpr int kSmallestPixels = 7;
// Longer names are elided (the tool tip keeps them whole): the plot would
// otherwise shrink for one long name.
constexpr double kLongestLabelShare = 0.55;
// White space around the content the view is fitted to.
constexpr double kContentMargin = 8.0;
constexpr double kColourBarGap = 24.0;
}  // namespace

namespace {

QColor toColor(const circular::Rgb& rgb) {
    return QColor::fromRgbF(rgb.red, rgb.green, rgb.blue, 1.0);
}

circular::Point toPoint(const QPointF& p) {
    return {p.x(), p.y()};
}

// Edge numbers of the pairs i < j, row by row.
int edgeNumber(int i, int j, int n) {
    return i * n + j;
}

bool isMarked(const QSplineSeries* series) {
    return series->property("mst_sig").toBool();
}

bool isFilteredOut(const QSplineSeries* series) {
    return series->property("filtered-out").toBool();
}

}  // namespace

const QColor& CircularPlotWidget::defaultEdgeColor() {
    static const QColor color(0, 0, 0, 30);
    return color;
}

CircularPlotWidget::CircularPlotWidget(QWidget* parent)
    : QChartView(new QChart, parent),
      highlightPen_(QColor(Qt::blue)),
      defaultPen_(defaultEdgeColor()),
      // Magenta never occurs in the weight colour map (its red and blue
      // channels are never both full), so marked edges stand out on it.
      markerPen_(QColor(Qt::magenta)),
      titleFont_(QStringLiteral("Arial"), 28),
      labelFont_(QStringLiteral("Arial"), 10),
      triggerFont_(QStringLiteral("Arial"), 14) {
    for (QPen* pen : {&highlightPen_, &defaultPen_, &markerPen_}) pen->setWidth(1);
    setRenderHint(QPainter::Antialiasing);
    setDragMode(QGraphicsView::NoDrag);
    // Thousands of edge items change visibility at once on a range change;
    // keeping a spatial index up to date costs more than it saves here.
    scene()->setItemIndexMethod(QGraphicsScene::NoIndex);

    chart_ = chart();
    chart_->legend()->hide();
    chart_->setMargins(QMargins(0, 0, 0, 0));
    chart_->setBackgroundRoundness(0);
    chart_->layout()->setContentsMargins(0, 0, 0, 0);
    // Node positions are chart values on fixed 0..640 axes, and the labels
    // use the same numbers as item coordinates: the plot area must cover
    // exactly that square.
    chart_->setPlotArea(QRectF(0, 0, circular::kExtent, circular::kExtent));
    chart_->setTitleFont(titleFont_);
    // The chart keeps this size; the view scales the content into the window.
    chart_->resize(circular::kExtent, circular::kExtent);
    chart_->setBackgroundVisible(false);
    setBackgroundBrush(Qt::white);

    axisX_ = new QValueAxis;
    axisY_ = new QValueAxis;
    for (QValueAxis* axis : {axisX_, axisY_}) {
        axis->setRange(0, circular::kExtent);
        axis->setVisible(false);
    }
    chart_->addAxis(axisX_, Qt::AlignBottom);
    chart_->addAxis(axisY_, Qt::AlignLeft);

    valueText_ = new QGraphicsSimpleTextItem(chart_);
    valueText_->setFont(labelFont_);
    valueText_->setZValue(20);
    valueText_->hide();
    triggerText_ = new QGraphicsSimpleTextItem(chart_);
    triggerText_->setFont(triggerFont_);
    triggerText_->hide();
    edgeLayer_ = new CircularPlotEdges(this, QRectF(0, 0, circular::kExtent, circular::kExtent), chart_);
    // Above the chart's background, below the nodes.
    edgeLayer_->setZValue(kEdgeZ);
    colourBar_ = new CircularPlotColourBar(chart_);
    colourBar_->setZValue(10);
    colourBar_->hide();
}

CircularPlotWidget::~CircularPlotWidget() {
    clearGraph();
}

QSplineSeries* CircularPlotWidget::edge(int i, int j) const {
    if (i > j) std::swap(i, j);
    return edges_.value(edgeNumber(i, j, n_), nullptr);
}

QPointF CircularPlotWidget::nodeOnScreen(int k) const {
    if (!nodes_) return {};
    return chart_->mapToPosition(positions_.value(k), nodes_);
}

void CircularPlotWidget::clearGraph() {
    // The painter first: it holds the series.
    edgeLayer_->clear();
    qDeleteAll(edges_);
    edges_.clear();
    if (nodes_) {
        chart_->removeSeries(nodes_);
        delete nodes_;
        nodes_ = nullptr;
    }
    qDeleteAll(labels_);
    labels_.clear();
    qDeleteAll(nodeTips_);
    nodeTips_.clear();
    hoveredEdge_ = nullptr;
    hoveredNode_ = -1;
    valueText_->hide();
    triggerText_->hide();
    colourBar_->hide();
}

void CircularPlotWidget::plot(int mode, const QHash<QString, QVariant>& state) {
    clearGraph();
    labelMode_ = mode;
    const QString condition = state.value(QStringLiteral("condition_str")).toString();
    const int slice = state.value(QStringLiteral("slice")).toInt();
    if (mode == TriggerMode || slice < 0 || static_cast<std::size_t>(slice) >= matrices_.size()) {
        // A trigger, or more conditions than matrices: say so instead of
        // drawing nothing, in the middle of where the circle would be.
        triggerText_->setText(mode == TriggerMode ? QStringLiteral("Trigger \"%1\"").arg(condition)
                                                  : QStringLiteral("No matrix for \"%1\"").arg(condition));
        triggerText_->setPos(circular::kCentre - triggerText_->boundingRect().width() / 2.0,
                             circular::kCentre);
        triggerText_->show();
        fitContent();
        return;
    }
    std::vector<float> marker;
    for (const QVariant& v : state.value(QStringLiteral("mst")).toList()) marker.push_back(v.toFloat());
    const int side = static_cast<int>(std::sqrt(static_cast<double>(marker.size())));
    layoutGraph(matrices_[static_cast<std::size_t>(slice)], marker, side);
    placeLabels();
    updateColourBar();
}

void CircularPlotWidget::layoutGraph(const Eigen::MatrixXf& matrix, const std::vector<float>& marker,
                                     int markerSide) {
    matrix_ = matrix;
    n_ = static_cast<int>(std::min(matrix.rows(), matrix.cols()));
    angles_ = circular::nodeAngles(static_cast<std::size_t>(n_));
    positions_.clear();
    for (const circular::Point& p : circular::nodePositions(angles_)) positions_.append(QPointF(p.x, p.y));

    nodes_ = new QScatterSeries;
    nodes_->setColor(Qt::black);
    nodes_->setBorderColor(Qt::white);
    nodes_->setMarkerSize(nodesSize_);
    nodes_->append(positions_);
    chart_->addSeries(nodes_);
    nodes_->attachAxis(axisX_);
    nodes_->attachAxis(axisY_);
    QList<QPointF> onScreen;
    for (const QPointF& p : positions_) onScreen.append(chart_->mapToPosition(p, nodes_));

    for (int i = 0; i < n_; ++i) {
        for (int j = i + 1; j < n_; ++j) {
            const float w = matrix_(i, j);
            if (w == 0.0f) continue;
            auto* series = new QSplineSeries(this);
            const bool marked = markerSide > 0 && i < markerSide && j < markerSide &&
                                marker[static_cast<std::size_t>(i * markerSide + j)] != 0.0f;
            QPen pen = marked ? markerPen_ : defaultPen_;
            const QColor cmap = toColor(circular::weightColour(w));
            const QColor ownColor = pen.color();
            if (colorize_ && !marked) pen.setColor(cmap);
            pen.setWidth(circular::edgePenWidth(useWeights_, multiplier_, w, fixedThickness_));
            const circular::Point control =
                circular::controlPoint(toPoint(positions_[i]), toPoint(positions_[j]));
            series->append(positions_[j]);
            series->append(QPointF(control.x, control.y));
            series->append(positions_[i]);
            series->setPen(pen);

            const int index = edgeNumber(i, j, n_);
            series->setProperty("value", w);
            series->setProperty("pen-width", multiplier_ * w);
            series->setProperty("cmap-color", cmap);
            series->setProperty("default-color", ownColor);
            series->setProperty("pen", pen);
            series->setProperty("original-pen", pen);
            series->setProperty("fadein-pen", pen);
            series->setProperty("index", index);
            series->setProperty("emitting-from", i);
            series->setProperty("emitting-to", j);
            series->setProperty("filtered-out", false);
            series->setProperty("mst_sig", marked);
            edges_.insert(index, series);
            connect(series, &QSplineSeries::hovered, this, &CircularPlotWidget::highlightEdge);
            const QPointF controlOnScreen = chart_->mapToPosition(QPointF(control.x, control.y), nodes_);
            edgeLayer_->add(series, onScreen[j], controlOnScreen, onScreen[i]);
        }
    }
    edgeLayer_->edgesChanged();
}

QString CircularPlotWidget::nodeName(int k) const {
    return k < nodeNames_.size() ? nodeNames_[k] : QString::number(k);
}

void CircularPlotWidget::placeLabels() {
    qDeleteAll(labels_);
    labels_.clear();
    qDeleteAll(nodeTips_);
    nodeTips_.clear();
    if (!nodes_) return;
    const std::size_t n = static_cast<std::size_t>(n_);
    const QPointF centre = chart_->mapToPosition(QPointF(circular::kCentre, circular::kCentre), nodes_);
    const double rim = nodesSize_ / 2.0;
    const double offset = rim + kLabelGap;
    // The font shrinks with the node count until neighbours fit side by
    // side; below the smallest size only every labelStep_-th label is shown.
    const double budget = circular::labelHeightBudget(n, circular::radius() + offset);
    QFont font = labelFont_;
    double height = QFontMetricsF(font).height();
    for (int pixels = kLargestShrunkPixels; height > budget && pixels >= kSmallestPixels; --pixels) {
        font.setPixelSize(pixels);
        height = QFontMetricsF(font).height();
    }
    labelStep_ = static_cast<int>(circular::labelStep(height, budget));
    const QFontMetricsF metrics(font);
    const double longest = circular::radius() * kLongestLabelShare;
    for (int k = 0; k < n_; ++k) {
        const QString name = nodeName(k);
        auto* label = new MyGraphicsSimpleTextItem(metrics.elidedText(name, Qt::ElideRight, longest), chart_);
        label->setFont(font);
        label->setToolTip(name);
        label->setProperty("index", k);
        label->setProperty("thinned", k % labelStep_ != 0);
        label->setZValue(10);
        const QRectF box = label->boundingRect();
        const QPointF node = nodeOnScreen(k);
        const circular::RadialLabel placement =
            circular::radialLabel(toPoint(node), toPoint(centre), offset, box.width(), box.height());
        label->setPos(placement.position.x, placement.position.y);
        label->setRotation(placement.rotation);
        label->setVisible(labelsVisible_ && k % labelStep_ == 0);
        connect(label, &MyGraphicsSimpleTextItem::hovering, this, &CircularPlotWidget::hoveringLabel);
        labels_.append(label);
        // Every node names itself under the pointer, also where its label
        // is thinned out.
        auto* tip =
            new QGraphicsEllipseItem(QRectF(node - QPointF(rim, rim), QSizeF(2 * rim, 2 * rim)), chart_);
        tip->setPen(Qt::NoPen);
        tip->setBrush(Qt::NoBrush);
        tip->setToolTip(name);
        tip->setZValue(11);
        nodeTips_.append(tip);
    }
}

void CircularPlotWidget::updateColourBar() {
    bool any = false;
    double low = 0.0;
    double high = 0.0;
    if (colorize_) {
        for (const QSplineSeries* series : edges_) {
            if (isFilteredOut(series)) continue;
            const double w = series->property("value").toDouble();
            low = any ? std::min(low, w) : w;
            high = any ? std::max(high, w) : w;
            any = true;
        }
    }
    // The key belongs to coloured edges; without them (or without a shown
    // edge) it would explain nothing.
    colourBar_->setVisible(any);
    if (any) colourBar_->setRange(low, high);
    placeColourBar();
}

void CircularPlotWidget::placeColourBar() {
    QRectF above(QPointF(circular::kCentre, circular::kCentre), QSizeF());
    if (nodes_) {
        const double reach = circular::radius() + nodesSize_ / 2.0;
        above = QRectF(circular::kCentre - reach, circular::kCentre - reach, 2 * reach, 2 * reach);
    }
    for (const MyGraphicsSimpleTextItem* label : labels_)
        if (label->isVisible()) above |= label->mapRectToParent(label->boundingRect());
    const QRectF bar = colourBar_->fullRect();
    colourBar_->setPos(circular::kCentre - CircularPlotColourBar::kWidth / 2.0,
                       above.bottom() + kColourBarGap - bar.top());
    fitContent();
}

void CircularPlotWidget::fitContent() {
    // Without a graph (a trigger's text) the whole chart, so the text keeps
    // its size instead of filling the window.
    QRectF content(0, 0, circular::kExtent, circular::kExtent);
    if (nodes_) {
        const double reach = circular::radius() + nodesSize_ / 2.0;
        content = QRectF(circular::kCentre - reach, circular::kCentre - reach, 2 * reach, 2 * reach);
    }
    for (const MyGraphicsSimpleTextItem* label : labels_)
        if (label->isVisible()) content |= label->mapRectToParent(label->boundingRect());
    if (triggerText_->isVisible()) content |= triggerText_->mapRectToParent(triggerText_->boundingRect());
    if (colourBar_->isVisible()) content |= colourBar_->mapRectToParent(colourBar_->fullRect());
    content.adjust(-kContentMargin, -kContentMargin, kContentMargin, kContentMargin);
    contentRect_ = chart_->mapRectToScene(content);
    scene()->setSceneRect(contentRect_);
    fitInView(contentRect_, Qt::KeepAspectRatio);
}

void CircularPlotWidget::resizeEvent(QResizeEvent* event) {
    // Not the chart view's own: that would stretch the chart to the window
    // and leave labels outside it.
    QGraphicsView::resizeEvent(event);
    if (!contentRect_.isEmpty()) fitInView(contentRect_, Qt::KeepAspectRatio);
}

void CircularPlotWidget::setDisplayRange(double low, double up) {
    for (QSplineSeries* series : edges_) {
        const double w = series->property("value").toDouble();
        const bool shown = low < w && w < up;
        series->setVisible(shown);
        series->setProperty("filtered-out", !shown);
    }
    edgeLayer_->edgesChanged();
    updateColourBar();
    viewport()->update();
}

void CircularPlotWidget::hoveringLabel(bool state) {
    const QObject* label = sender();
    if (label) hoverNode(label->property("index").toInt(), state);
}

void CircularPlotWidget::hoverNode(int node, bool state) {
    hoveredNode_ = state ? node : -1;
    for (QSplineSeries* series : edges_) {
        if (isFilteredOut(series)) continue;
        if (!state) {
            series->setVisible(true);
            continue;
        }
        const bool touches = series->property("emitting-from").toInt() == node ||
                             series->property("emitting-to").toInt() == node;
        if (!touches) series->setVisible(false);
    }
    edgeLayer_->edgesChanged();
}

void CircularPlotWidget::highlightEdge(QPointF, bool state) {
    highlightEdgeSeries(qobject_cast<QSplineSeries*>(sender()), state);
}

namespace {
// The hovered edge's pen width follows the same rule as its own pen.
int highlightWidth(const QSplineSeries* series) {
    return circular::edgePenWidth(true, 1.0, series->property("pen-width").toDouble(), 0.0);
}
}  // namespace

void CircularPlotWidget::highlightEdgeSeries(QSplineSeries* hovered, bool state) {
    if (!hovered || !hovered->isVisible()) return;
    const double w = hovered->property("value").toDouble();
    if (std::isnan(w)) return;
    if (state) {
        hoveredEdge_ = hovered;
        for (QSplineSeries* series : edges_) {
            if (isMarked(series)) continue;
            series->setProperty("fadein-pen", series->pen());
            QPen faded = series->pen();
            faded.setColor(QColor(0, 0, 0, 10));
            series->setPen(faded);
            series->setProperty("pen", faded);
        }
        if (!isMarked(hovered)) {
            QPen pen = highlightPen_;
            pen.setWidth(highlightWidth(hovered));
            hovered->setPen(pen);
        }
        const QPointF control = hovered->at(1);
        valueText_->setText(QString::number(w, 'g', 6));
        valueText_->setPos(chart_->mapToPosition(control, nodes_));
        valueText_->show();
        edgeLayer_->edgesChanged();
        return;
    }
    restoreFadedPens();
}

void CircularPlotWidget::restoreFadedPens() {
    hoveredEdge_ = nullptr;
    for (QSplineSeries* series : edges_) {
        if (isMarked(series)) continue;
        const QPen pen = series->property("fadein-pen").value<QPen>();
        series->setPen(pen);
        series->setProperty("pen", pen);
        series->setPointLabelsVisible(false);
    }
    valueText_->hide();
    edgeLayer_->edgesChanged();
}

void CircularPlotWidget::clearHover() {
    edgeLayer_->forgetHover();
    if (hoveredEdge_) restoreFadedPens();
    if (hoveredNode_ >= 0) hoverNode(hoveredNode_, false);
}

void CircularPlotWidget::setNodesSize(int size) {
    nodesSize_ = size;
    if (nodes_) nodes_->setMarkerSize(size);
    // The labels keep their distance from the nodes' rim.
    placeLabels();
    placeColourBar();
    viewport()->update();
}

void CircularPlotWidget::setLabelsVisible(bool visible) {
    labelsVisible_ = visible;
    for (MyGraphicsSimpleTextItem* label : labels_)
        label->setVisible(visible && !label->property("thinned").toBool());
    placeColourBar();
    viewport()->update();
}

void CircularPlotWidget::setUseWeights(bool use) {
    useWeights_ = use;
    updatePenWidths();
}

void CircularPlotWidget::setThicknessMultiplier(double multiplier) {
    multiplier_ = multiplier;
    for (QSplineSeries* series : edges_)
        series->setProperty("pen-width", multiplier_ * series->property("value").toDouble());
    updatePenWidths();
}

void CircularPlotWidget::setFixedThickness(double thickness) {
    fixedThickness_ = thickness;
    updatePenWidths();
}

void CircularPlotWidget::updatePenWidths() {
    for (QSplineSeries* series : edges_) {
        QPen pen = series->pen();
        const double w = series->property("value").toDouble();
        pen.setWidth(circular::edgePenWidth(useWeights_, multiplier_, w, fixedThickness_));
        series->setPen(pen);
        series->setProperty("pen", pen);
    }
    edgeLayer_->edgesChanged();
    viewport()->update();
}

void CircularPlotWidget::setColorizeEdges(bool colorize) {
    colorize_ = colorize;
    for (QSplineSeries* series : edges_) {
        QPen pen = series->pen();
        const bool useMap = colorize && !isMarked(series);
        pen.setColor(series->property(useMap ? "cmap-color" : "default-color").value<QColor>());
        series->setPen(pen);
        series->setProperty("pen", pen);
    }
    edgeLayer_->edgesChanged();
    updateColourBar();
    viewport()->update();
}

void CircularPlotWidget::drawFigure(QPainter& painter, const QRectF& target) {
    clearHover();
    // Paths, not the on-screen pixmap: an SVG keeps every edge as a curve.
    edgeLayer_->setCached(false);
    plot_export::sceneFigure(scene(), contentRect_)(painter, target);
    edgeLayer_->setCached(true);
}

}  // namespace graph::ui
