#pragma once
// State and helpers of QxtSpanSlider. A QObject so that the slider's own
// rangeChanged/sliderReleased signals can reach the private slots.

#include "qxtspanslider.h"

#include <QAbstractSlider>
#include <QObject>
#include <QStyle>

class QPainter;
class QStylePainter;
class QStyleOptionSlider;

namespace graph::widgets {

class QxtSpanSliderPrivate : public QObject {
    Q_OBJECT

public:
    explicit QxtSpanSliderPrivate(QxtSpanSlider* slider);

    void initStyleOption(QStyleOptionSlider* option,
                         QxtSpanSlider::SpanHandle handle = QxtSpanSlider::UpperHandle) const;
    int pick(const QPoint& point) const;
    int pixelPosToRangeValue(int pixel) const;
    void handleMousePress(const QPoint& pos, QStyle::SubControl& control, int value,
                          QxtSpanSlider::SpanHandle handle);
    void drawHandle(QStylePainter* painter, QxtSpanSlider::SpanHandle handle) const;
    void setupPainter(QPainter* painter, Qt::Orientation orientation, qreal x1, qreal y1, qreal x2,
                      qreal y2) const;
    void drawSpan(QStylePainter* painter, const QRect& rect) const;
    void triggerAction(QAbstractSlider::SliderAction action, bool main);
    void swapControls();

    QxtSpanSlider* q;
    int lower = 0;
    int upper = 0;
    int lowerPos = 0;
    int upperPos = 0;
    int offset = 0;    // pointer offset inside the pressed handle
    int position = 0;  // value of the pressed handle at press time
    QxtSpanSlider::SpanHandle lastPressed = QxtSpanSlider::NoHandle;
    QxtSpanSlider::SpanHandle mainControl = QxtSpanSlider::LowerHandle;
    QStyle::SubControl lowerPressed = QStyle::SC_None;
    QStyle::SubControl upperPressed = QStyle::SC_None;
    QxtSpanSlider::HandleMovementMode movement = QxtSpanSlider::FreeMovement;
    bool firstMovement = false;
    bool blockTracking = false;

public slots:
    void updateRange(int min, int max);
    void movePressedHandle();
};

}  // namespace graph::widgets
