#pragma once
// The condition slider of the circular plot: a plain horizontal slider that
// writes the condition names, turned upright, along its groove.

#include <QMouseEvent>
#include <QSlider>
#include <QStringList>

class QStyleOptionSlider;

namespace graph::widgets {

class MySlider : public QSlider {
    Q_OBJECT

public:
    explicit MySlider(QWidget* parent = nullptr);

    // One name per position, from the minimum on; sets the maximum.
    void setLabels(const QStringList& labels);
    const QStringList& labels() const { return labels_; }

    // Where name k (from 0) is written, upright, inside the widget: right of
    // its tick, or left of it where the widget's edge is nearer.
    QRect labelRect(int k) const;
    // Name k as written: whole, or cut with "…" when the widget is too short
    // for it (then its tool tip gives it whole).
    QString shownLabel(int k) const;
    // The whole name under the point when it is written cut, else empty.
    QString toolTipAt(const QPoint& point) const;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    // The handle is drawn in the strip at the top, while the base slider
    // hit-tests it in the middle of the whole widget: the pointer is moved
    // from the one to the other before the base slider sees it.
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QPointF toSliderPoint(const QPointF& point) const;
    QMouseEvent moved(const QMouseEvent& event) const;
    QRect groove(QStyleOptionSlider& option) const;
    int tickX(int k) const;

    QStringList labels_;
};

}  // namespace graph::widgets
