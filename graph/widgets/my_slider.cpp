#include "graph/widgets/my_slider.h"

#include <algorithm>

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionSlider>
#include <QToolTip>

namespace graph::widgets {

namespace {
constexpr int kStrip = 22;     // height of the groove and handle strip at the top
constexpr int kNamesTop = 28;  // where the upright names start
constexpr int kNamesEnd = 6;   // room below the longest name
constexpr int kLabelGap = 2;   // between a tick and its name
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

QRect MySlider::groove(QStyleOptionSlider& option) const {
    initStyleOption(&option);
    option.rect = QRect(0, 0, width(), kStrip);
    option.subControls = QStyle::SC_SliderGroove | QStyle::SC_SliderHandle;
    return style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
}

int MySlider::tickX(int k) const {
    QStyleOptionSlider option;
    const QRect strip = groove(option);
    const int handle = style()->pixelMetric(QStyle::PM_SliderLength, &option, this);
    const int span = std::max(1, strip.width() - handle);
    return strip.left() + handle / 2 +
           QStyle::sliderPositionFromValue(minimum(), maximum(), minimum() + k, span);
}

QRect MySlider::labelRect(int k) const {
    if (k < 0 || k >= labels_.size()) return {};
    // Written upright, a name is a line's height wide; the last names sit
    // near the right edge, where there is no room right of their tick.
    const int thickness = QFontMetrics(font()).height();
    const int x = tickX(k);
    int left = x + kLabelGap;
    if (left + thickness > width()) left = x - kLabelGap - thickness;
    left = std::max(0, std::min(left, width() - thickness));
    return {left, kNamesTop, thickness, std::max(0, height() - kNamesTop - kNamesEnd)};
}

QString MySlider::shownLabel(int k) const {
    if (k < 0 || k >= labels_.size()) return {};
    // elidedText measures with fractions and would cut a name whose rounded
    // advance fills the room exactly.
    const QFontMetrics metrics(font());
    const int room = labelRect(k).height();
    if (metrics.horizontalAdvance(labels_[k]) <= room) return labels_[k];
    return metrics.elidedText(labels_[k], Qt::ElideRight, room);
}

QString MySlider::toolTipAt(const QPoint& point) const {
    for (int k = 0; k < labels_.size(); ++k)
        if (labelRect(k).contains(point) && shownLabel(k) != labels_[k]) return labels_[k];
    return {};
}

bool MySlider::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const QString text = toolTipAt(help->pos());
        if (!text.isEmpty()) {
            QToolTip::showText(help->globalPos(), text, this);
            return true;
        }
    }
    return QSlider::event(event);
}

void MySlider::paintEvent(QPaintEvent* event) {
    if (labels_.isEmpty()) {
        QSlider::paintEvent(event);
        return;
    }
    // The groove and handle at the top, the names below them.
    QPainter painter(this);
    QStyleOptionSlider option;
    groove(option);
    style()->drawComplexControl(QStyle::CC_Slider, &option, &painter, this);

    painter.setPen(palette().color(QPalette::WindowText));
    for (int k = 0; k < labels_.size(); ++k) {
        const int x = tickX(k);
        painter.drawLine(x, kStrip, x, kNamesTop - 2);
        // Turned a quarter clockwise about the rectangle's top right corner,
        // the text's own rectangle (length by thickness) fills it exactly.
        const QRect place = labelRect(k);
        painter.save();
        painter.translate(place.right() + 1, place.top());
        painter.rotate(90);
        painter.drawText(QRect(0, 0, place.height(), place.width()), Qt::AlignLeft | Qt::AlignVCenter,
                         shownLabel(k));
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
