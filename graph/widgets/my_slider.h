#pragma once
// The condition slider of the circular plot: a plain horizontal slider that
// writes the condition names, turned upright, along its groove.

#include <QMouseEvent>
#include <QSlider>
#include <QStringList>

namespace graph::widgets {

class MySlider : public QSlider {
    Q_OBJECT

public:
    explicit MySlider(QWidget* parent = nullptr);

    // One name per position, from the minimum on; sets the maximum.
    void setLabels(const QStringList& labels);
    const QStringList& labels() const { return labels_; }

protected:
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

    QStringList labels_;
};

}  // namespace graph::widgets
