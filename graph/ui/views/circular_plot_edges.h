#pragma once
// Paints every edge of the circular plot in one graphics item and finds the
// edge under the pointer. Each edge stays a spline series carrying its data,
// pen, visibility and properties; this item only draws what they say.
//
// One item instead of one per edge: a dense 200-node matrix has 19,900
// edges, and the scene's per-item bookkeeping (insertion, visibility
// updates, hover tests, a paint call each) cost more than the drawing. The
// item keeps its picture in a device pixmap, so a repaint that changes no
// edge (an expose, a tool tip, a grab) is a copy.

#include <QGraphicsItem>
#include <QLineF>
#include <QPainterPath>
#include <QVector>

#include <vector>

namespace QtCharts {
class QSplineSeries;
}  // namespace QtCharts

namespace graph::ui {

class CircularPlotWidget;

class CircularPlotEdges : public QGraphicsItem {
public:
    CircularPlotEdges(CircularPlotWidget* widget, const QRectF& area, QGraphicsItem* parent);

    void clear();
    // An edge drawn from `start` through `middle` to `end` (item coordinates).
    void add(QtCharts::QSplineSeries* series, const QPointF& start, const QPointF& middle,
             const QPointF& end);
    // Call after any change of the edges' pens or visibility.
    void edgesChanged() { update(); }
    // The visible edge drawn last (so on top) whose stroke holds `pos`.
    QtCharts::QSplineSeries* edgeAt(const QPointF& pos) const;
    // The picture kept as a pixmap (on screen) or drawn afresh each time
    // (figures: vector output must get the paths themselves).
    void setCached(bool cached);
    // Forgets the edge under the pointer without telling the plot.
    void forgetHover() { hovered_ = nullptr; }

    QRectF boundingRect() const override { return area_; }
    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

protected:
    void hoverMoveEvent(QGraphicsSceneHoverEvent* event) override;
    void hoverLeaveEvent(QGraphicsSceneHoverEvent* event) override;

private:
    struct Edge {
        QtCharts::QSplineSeries* series;
        QPainterPath path;
        QPointF start;
        QPointF control;
        QPointF end;
    };
    void hover(QtCharts::QSplineSeries* series);
    static void flatten(const Edge& edge, double scale, QVector<QLineF>& pieces);

    CircularPlotWidget* widget_;
    QRectF area_;
    std::vector<Edge> edges_;
    QtCharts::QSplineSeries* hovered_ = nullptr;
    bool cached_ = true;
};

}  // namespace graph::ui
