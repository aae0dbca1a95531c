#include "graph/widgets/my_slider.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionSlider>

namespace graph::widgets {

namespace {
constexpr int kStrip = 22;     // height of the groove and handle strip at the top
constexpr int kNamesTop = 28;  // where the upright names start
constexpr int kNamesEnd = 6;   // room below the longest name
}  // namespace

MySlider::MySlider(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
    setMinimum(1);
    setMaximum(10);
    setPageStep(1);
    setTickPosition(QSlider::NoTicks);
    setTickInterval(1);
    setStyleSheet(
        QStringLiteral("QSlider::groove:horizontal { height: 4px; background: #c8c8c8; margin: 0 8px; }"
                       "QSlider::handle:horizontal { background: #3c6fb4; width: 14px;"
                       " margin: -6px -7px; border-radius: 7px; }"));
}

void MySlider::setLabels(const QStringList& labels) {
    labels_ = labels;
    setMinimum(1);
    setMaximum(std::max(1, static_cast<int>(labels.size())));
    // Room for the longest name written upright, so no name is cut.
    int longest = 0;
    const QFontMetrics metrics(font());
    for (const QString& label : labels) longest = std::max(longest, metrics.horizontalAdvance(label));
    setMinimumHeight(labels.isEmpty() ? 0 : kNamesTop + longest + kNamesEnd);
    update();
}

void MySlider::paintEvent(QPaintEvent* event) {
    if (labels_.isEmpty()) {
        QSlider::paintEvent(event);
        return;
    }
    // The groove and handle at the top, the names below them.
    QPainter painter(this);
    QStyleOptionSlider option;
    initStyleOption(&option);
    option.rect = QRect(0, 0, width(), kStrip);
    option.subControls = QStyle::SC_SliderGroove | QStyle::SC_SliderHandle;
    style()->drawComplexControl(QStyle::CC_Slider, &option, &painter, this);

    const QRect groove = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
    const int handle = style()->pixelMetric(QStyle::PM_SliderLength, &option, this);
    const int span = std::max(1, groove.width() - handle);
    painter.setPen(palette().color(QPalette::WindowText));
    for (int k = 0; k < labels_.size(); ++k) {
        const int value = minimum() + k;
        const int x =
            groove.left() + handle / 2 + QStyle::sliderPositionFromValue(minimum(), maximum(), value, span);
        painter.drawLine(x, kStrip, x, kNamesTop - 2);
        painter.save();
        painter.translate(x + 4, kNamesTop);
        painter.rotate(90);
        painter.drawText(0, 0, labels_[k]);
        painter.restore();
    }
}

QPointF MySlider::toSliderPoint(const QPointF& point) const {
    if (labels_.isEmpty()) return point;
    // Same distance from the strip's middle as from the widget's middle.
    return {point.x(), point.y() + (height() - kStrip) / 2.0};
}

QMouseEvent MySlider::moved(const QMouseEvent& event) const {
    return QMouseEvent(event.type(), toSliderPoint(event.localPos()), event.windowPos(), event.screenPos(),
                       event.button(), event.buttons(), event.modifiers(), event.source());
}

void MySlider::mousePressEvent(QMouseEvent* event) {
    QMouseEvent inStrip = moved(*event);
    QSlider::mousePressEvent(&inStrip);
    event->setAccepted(inStrip.isAccepted());
}

void MySlider::mouseMoveEvent(QMouseEvent* event) {
    QMouseEvent inStrip = moved(*event);
    QSlider::mouseMoveEvent(&inStrip);
    event->setAccepted(inStrip.isAccepted());
}

void MySlider::mouseReleaseEvent(QMouseEvent* event) {
    QMouseEvent inStrip = moved(*event);
    QSlider::mouseReleaseEvent(&inStrip);
    event->setAccepted(inStrip.isAccepted());
}

}  // namespace graph::widgets
