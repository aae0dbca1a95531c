#include "graph/widgets/my_slider.h"

#include <QPainter>
#include <QStyleOptionSlider>

namespace graph::widgets {

namespace {
constexpr int kLabelSpace = 90;  // room below the groove for upright names
}

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
    setMinimumHeight(labels.isEmpty() ? 0 : kLabelSpace);
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
    option.rect = QRect(0, 0, width(), 22);
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
        painter.drawLine(x, 22, x, 26);
        painter.save();
        painter.translate(x + 4, 28);
        painter.rotate(90);
        painter.drawText(0, 0, labels_[k]);
        painter.restore();
    }
}

}  // namespace graph::widgets
