#include "graph/ui/views/circular_plot_edges.h"

#include "graph/ui/views/circular_plot_widget.h"

#include <QGraphicsSceneHoverEvent>
#include <QPainter>
#include <QSplineSeries>

#include <algorithm>
#include <cmath>

using QtCharts::QSplineSeries;

namespace graph::ui {

namespace {
// The pointer catches an edge this close to its stroke, even a thin one.
constexpr double kMinimumCatch = 4.0;
constexpr int kHitSegments = 24;

double distanceToSegment(const QPointF& p, const QPointF& a, const QPointF& b) {
    const QPointF ab = b - a;
    const double length2 = QPointF::dotProduct(ab, ab);
    double t = length2 > 0 ? QPointF::dotProduct(p - a, ab) / length2 : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    const QPointF nearest = a + t * ab;
    return std::hypot(p.x() - nearest.x(), p.y() - nearest.y());
}

QPointF quadraticAt(const QPointF& a, const QPointF& c, const QPointF& b, double t) {
    const double u = 1.0 - t;
    return u * u * a + 2.0 * u * t * c + t * t * b;
}
}  // namespace

CircularPlotEdges::CircularPlotEdges(CircularPlotWidget* widget, const QRectF& area, QGraphicsItem* parent)
    : QGraphicsItem(parent), widget_(widget), area_(area) {
    setAcceptHoverEvents(true);
    setCached(true);
}

void CircularPlotEdges::clear() {
    edges_.clear();
    hovered_ = nullptr;
    update();
}

void CircularPlotEdges::add(QSplineSeries* series, const QPointF& start, const QPointF& middle,
                            const QPointF& end) {
    // The quadratic through `middle` at its half has this control point.
    const QPointF control = 2.0 * middle - (start + end) / 2.0;
    QPainterPath path(start);
    path.quadTo(control, end);
    edges_.push_back({series, path, start, control, end});
}

void CircularPlotEdges::setCached(bool cached) {
    cached_ = cached;
    setCacheMode(cached ? DeviceCoordinateCache : NoCache);
}

void CircularPlotEdges::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) {
    painter->setBrush(Qt::NoBrush);
    if (!cached_) {
        // Figures: the exact curves, so an SVG holds one path per edge.
        for (const Edge& edge : edges_) {
            if (!edge.series->isVisible()) continue;
            painter->setPen(edge.series->pen());
            painter->drawPath(edge.path);
        }
        return;
    }
    // On screen a wide curve is drawn as short straight pieces: the raster
    // engine fills wide straight lines directly, while a wide curve goes
    // through the general path stroker and filler, several times slower.
    // Flat caps, so the pieces of a translucent edge do not overlap.
    const double scale = std::sqrt(std::abs(painter->transform().determinant()));
    QVector<QLineF> pieces;
    for (const Edge& edge : edges_) {
        if (!edge.series->isVisible()) continue;
        QPen pen = edge.series->pen();
        if (pen.widthF() * scale <= 1.0) {
            // Thin pens already take the engine's fast line drawing.
            painter->setPen(pen);
            painter->drawPath(edge.path);
            continue;
        }
        pen.setCapStyle(Qt::FlatCap);
        painter->setPen(pen);
        flatten(edge, scale, pieces);
        painter->drawLines(pieces);
    }
}

void CircularPlotEdges::flatten(const Edge& edge, double scale, QVector<QLineF>& pieces) {
    // Pieces of about 24 device pixels, each turning by a tenth of a radian
    // at most (short edges between neighbours bend sharply): a piece then
    // strays from the curve by a third of a pixel at most.
    const QPointF in = edge.control - edge.start;
    const QPointF out = edge.end - edge.control;
    const double length = (std::hypot(in.x(), in.y()) + std::hypot(out.x(), out.y())) * scale;
    const double turn =
        std::abs(std::atan2(in.x() * out.y() - in.y() * out.x(), QPointF::dotProduct(in, out)));
    const int count = std::clamp(static_cast<int>(std::max(length / 24.0, turn / 0.1)), 4, 48);
    pieces.resize(count);
    QPointF previous = edge.start;
    for (int k = 1; k <= count; ++k) {
        const QPointF next = quadraticAt(edge.start, edge.control, edge.end, double(k) / count);
        pieces[k - 1] = QLineF(previous, next);
        previous = next;
    }
}

QSplineSeries* CircularPlotEdges::edgeAt(const QPointF& pos) const {
    for (auto it = edges_.rbegin(); it != edges_.rend(); ++it) {
        if (!it->series->isVisible()) continue;
        const double reach = std::max(it->series->pen().widthF(), kMinimumCatch) / 2.0;
        // The curve lies inside the triangle of its three points.
        const double left = std::min({it->start.x(), it->control.x(), it->end.x()}) - reach;
        const double right = std::max({it->start.x(), it->control.x(), it->end.x()}) + reach;
        const double top = std::min({it->start.y(), it->control.y(), it->end.y()}) - reach;
        const double bottom = std::max({it->start.y(), it->control.y(), it->end.y()}) + reach;
        if (pos.x() < left || pos.x() > right || pos.y() < top || pos.y() > bottom) continue;
        QPointF previous = it->start;
        for (int k = 1; k <= kHitSegments; ++k) {
            const QPointF next = quadraticAt(it->start, it->control, it->end, double(k) / kHitSegments);
            if (distanceToSegment(pos, previous, next) <= reach) return it->series;
            previous = next;
        }
    }
    return nullptr;
}

void CircularPlotEdges::hover(QSplineSeries* series) {
    if (series == hovered_) return;
    if (hovered_) widget_->highlightEdgeSeries(hovered_, false);
    hovered_ = series;
    if (series) widget_->highlightEdgeSeries(series, true);
}

void CircularPlotEdges::hoverMoveEvent(QGraphicsSceneHoverEvent* event) {
    hover(edgeAt(event->pos()));
}

void CircularPlotEdges::hoverLeaveEvent(QGraphicsSceneHoverEvent*) {
    hover(nullptr);
}

}  // namespace graph::ui
