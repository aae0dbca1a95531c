#include "qxtspanslider.h"
#include "qxtspanslider_p.h"

#include <QKeyEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QStyleOptionSlider>
#include <QStylePainter>
#include <QtGlobal>

namespace graph::widgets {

const char* qxtVersion() {
    return "0.7.0";
}

// ---------------------------------------------------------------------------
// QxtSpanSliderPrivate

QxtSpanSliderPrivate::QxtSpanSliderPrivate(QxtSpanSlider* slider) : q(slider) {}

void QxtSpanSliderPrivate::initStyleOption(QStyleOptionSlider* option,
                                           QxtSpanSlider::SpanHandle handle) const {
    q->initStyleOption(option);
    const bool isLower = handle == QxtSpanSlider::LowerHandle;
    option->sliderPosition = isLower ? lowerPos : upperPos;
    option->sliderValue = isLower ? lower : upper;
}

int QxtSpanSliderPrivate::pick(const QPoint& point) const {
    return q->orientation() == Qt::Horizontal ? point.x() : point.y();
}

int QxtSpanSliderPrivate::pixelPosToRangeValue(int pixel) const {
    QStyleOptionSlider opt;
    initStyleOption(&opt);

    const QRect groove = q->style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderGroove, q);
    const QRect handle = q->style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderHandle, q);
    int sliderMin = 0;
    int sliderMax = 0;
    if (q->orientation() == Qt::Horizontal) {
        sliderMin = groove.x();
        sliderMax = groove.right() - handle.width() + 1;
    } else {
        sliderMin = groove.y();
        sliderMax = groove.bottom() - handle.height() + 1;
    }
    return QStyle::sliderValueFromPosition(q->minimum(), q->maximum(), pixel - sliderMin,
                                           sliderMax - sliderMin, opt.upsideDown);
}

void QxtSpanSliderPrivate::handleMousePress(const QPoint& pos, QStyle::SubControl& control, int value,
                                            QxtSpanSlider::SpanHandle handle) {
    QStyleOptionSlider opt;
    initStyleOption(&opt, handle);
    const QStyle::SubControl oldControl = control;
    control = q->style()->hitTestComplexControl(QStyle::CC_Slider, &opt, pos, q);
    const QRect handleRect = q->style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderHandle, q);
    if (control == QStyle::SC_SliderHandle) {
        position = value;
        offset = pick(pos - handleRect.topLeft());
        lastPressed = handle;
        q->setSliderDown(true);
        emit q->sliderPressed(handle);
    }
    if (control != oldControl) q->update(handleRect);
}

void QxtSpanSliderPrivate::setupPainter(QPainter* painter, Qt::Orientation orientation, qreal x1, qreal y1,
                                        qreal x2, qreal y2) const {
    const QColor highlight = q->palette().color(QPalette::Highlight);
    QLinearGradient gradient(x1, y1, x2, y2);
    gradient.setColorAt(0, highlight.darker(120));
    gradient.setColorAt(1, highlight.lighter(108));
    painter->setBrush(gradient);
    painter->setPen(QPen(highlight.darker(orientation == Qt::Horizontal ? 130 : 150), 0));
}

void QxtSpanSliderPrivate::drawSpan(QStylePainter* painter, const QRect& rect) const {
    QStyleOptionSlider opt;
    initStyleOption(&opt);

    QRect groove = q->style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderGroove, q);
    if (opt.orientation == Qt::Horizontal) {
        groove.adjust(0, 0, -1, 0);
        setupPainter(painter, opt.orientation, groove.center().x(), groove.top(), groove.center().x(),
                     groove.bottom());
    } else {
        groove.adjust(0, 0, 0, -1);
        setupPainter(painter, opt.orientation, groove.left(), groove.center().y(), groove.right(),
                     groove.center().y());
    }
    painter->drawRect(rect.intersected(groove));
}

void QxtSpanSliderPrivate::drawHandle(QStylePainter* painter, QxtSpanSlider::SpanHandle handle) const {
    QStyleOptionSlider opt;
    initStyleOption(&opt, handle);
    opt.subControls = QStyle::SC_SliderHandle;
    const QStyle::SubControl pressed = handle == QxtSpanSlider::LowerHandle ? lowerPressed : upperPressed;
    if (pressed == QStyle::SC_SliderHandle) {
        opt.activeSubControls = pressed;
        opt.state |= QStyle::State_Sunken;
    }
    painter->drawComplexControl(QStyle::CC_Slider, opt);
}

void QxtSpanSliderPrivate::triggerAction(QAbstractSlider::SliderAction action, bool main) {
    const QxtSpanSlider::SpanHandle altControl =
        mainControl == QxtSpanSlider::LowerHandle ? QxtSpanSlider::UpperHandle : QxtSpanSlider::LowerHandle;
    const bool onUpper = (main && mainControl == QxtSpanSlider::UpperHandle) ||
                         (!main && altControl == QxtSpanSlider::UpperHandle);
    const int min = q->minimum();
    const int max = q->maximum();
    const int current = onUpper ? upper : lower;

    int value = 0;
    bool hasValue = true;
    switch (action) {
        case QAbstractSlider::SliderSingleStepAdd:
            value = qBound(min, current + q->singleStep(), max);
            break;
        case QAbstractSlider::SliderSingleStepSub:
            value = qBound(min, current - q->singleStep(), max);
            break;
        case QAbstractSlider::SliderPageStepAdd:
            value = qBound(min, current + q->pageStep(), max);
            break;
        case QAbstractSlider::SliderPageStepSub:
            value = qBound(min, current - q->pageStep(), max);
            break;
        case QAbstractSlider::SliderToMinimum:
            value = min;
            break;
        case QAbstractSlider::SliderToMaximum:
            value = max;
            break;
        case QAbstractSlider::SliderMove:
        case QAbstractSlider::SliderNoAction:
            hasValue = false;
            break;
        default:
            qWarning("QxtSpanSliderPrivate::triggerAction: Unknown action");
            return;
    }

    blockTracking = true;
    if (hasValue && !onUpper) {
        if (movement == QxtSpanSlider::NoCrossing)
            value = qMin(value, upper);
        else if (movement == QxtSpanSlider::NoOverlapping)
            value = qMin(value, upper - 1);

        if (movement == QxtSpanSlider::FreeMovement && value > upper) {
            swapControls();
            q->setUpperPosition(value);
        } else {
            q->setLowerPosition(value);
        }
    } else if (hasValue) {
        if (movement == QxtSpanSlider::NoCrossing)
            value = qMax(value, lower);
        else if (movement == QxtSpanSlider::NoOverlapping)
            value = qMax(value, lower + 1);

        if (movement == QxtSpanSlider::FreeMovement && value < lower) {
            swapControls();
            q->setLowerPosition(value);
        } else {
            q->setUpperPosition(value);
        }
    }
    blockTracking = false;
    // Commit both positions at once; after an exchange of roles committing one
    // side at a time would sort a fresh position against a stale value.
    q->setSpan(lowerPos, upperPos);
}

void QxtSpanSliderPrivate::swapControls() {
    // The handles exchange roles: the one that stays put takes over the other
    // side's position, and the caller then places the moving one. Values are
    // left to the next commit, so it reports every side that really changed.
    qSwap(lowerPos, upperPos);
    qSwap(lowerPressed, upperPressed);
    lastPressed =
        lastPressed == QxtSpanSlider::LowerHandle ? QxtSpanSlider::UpperHandle : QxtSpanSlider::LowerHandle;
    mainControl =
        mainControl == QxtSpanSlider::LowerHandle ? QxtSpanSlider::UpperHandle : QxtSpanSlider::LowerHandle;
}

void QxtSpanSliderPrivate::updateRange(int, int) {
    // Re-applying the span clamps it to the new range.
    q->setSpan(lower, upper);
}

void QxtSpanSliderPrivate::movePressedHandle() {
    switch (lastPressed) {
        case QxtSpanSlider::LowerHandle:
            if (lowerPos != lower)
                triggerAction(QAbstractSlider::SliderMove, mainControl == QxtSpanSlider::LowerHandle);
            break;
        case QxtSpanSlider::UpperHandle:
            if (upperPos != upper)
                triggerAction(QAbstractSlider::SliderMove, mainControl == QxtSpanSlider::UpperHandle);
            break;
        default:
            break;
    }
}

// ---------------------------------------------------------------------------
// QxtSpanSlider

QxtSpanSlider::QxtSpanSlider(QWidget* parent) : QSlider(parent), d(new QxtSpanSliderPrivate(this)) {
    // Lets queued connections and signal spies carry the pressed handle.
    qRegisterMetaType<QxtSpanSlider::SpanHandle>("QxtSpanSlider::SpanHandle");
    connect(this, &QAbstractSlider::rangeChanged, d, &QxtSpanSliderPrivate::updateRange);
    connect(this, &QAbstractSlider::sliderReleased, d, &QxtSpanSliderPrivate::movePressedHandle);
}

QxtSpanSlider::QxtSpanSlider(Qt::Orientation orientation, QWidget* parent) : QxtSpanSlider(parent) {
    setOrientation(orientation);
}

QxtSpanSlider::~QxtSpanSlider() {
    delete d;
}

QxtSpanSlider::HandleMovementMode QxtSpanSlider::handleMovementMode() const {
    return d->movement;
}

void QxtSpanSlider::setHandleMovementMode(HandleMovementMode mode) {
    d->movement = mode;
}

int QxtSpanSlider::lowerValue() const {
    return qMin(d->lower, d->upper);
}

int QxtSpanSlider::upperValue() const {
    return qMax(d->lower, d->upper);
}

int QxtSpanSlider::lowerPosition() const {
    return d->lowerPos;
}

int QxtSpanSlider::upperPosition() const {
    return d->upperPos;
}

void QxtSpanSlider::setLowerValue(int lower) {
    setSpan(lower, d->upper);
}

void QxtSpanSlider::setUpperValue(int upper) {
    setSpan(d->lower, upper);
}

void QxtSpanSlider::setSpan(int lower, int upper) {
    const int low = qBound(minimum(), qMin(lower, upper), maximum());
    const int up = qBound(minimum(), qMax(lower, upper), maximum());
    if (low == d->lower && up == d->upper) return;
    if (low != d->lower) {
        d->lower = low;
        d->lowerPos = low;
        emit lowerValueChanged(low);
    }
    if (up != d->upper) {
        d->upper = up;
        d->upperPos = up;
        emit upperValueChanged(up);
    }
    emit spanChanged(d->lower, d->upper);
    update();
}

void QxtSpanSlider::setLowerPosition(int lower) {
    if (d->lowerPos == lower) return;
    d->lowerPos = lower;
    if (!hasTracking()) update();
    if (isSliderDown()) emit lowerPositionChanged(lower);
    if (hasTracking() && !d->blockTracking) d->triggerAction(SliderMove, d->mainControl == LowerHandle);
}

void QxtSpanSlider::setUpperPosition(int upper) {
    if (d->upperPos == upper) return;
    d->upperPos = upper;
    if (!hasTracking()) update();
    if (isSliderDown()) emit upperPositionChanged(upper);
    if (hasTracking() && !d->blockTracking) d->triggerAction(SliderMove, d->mainControl == UpperHandle);
}

void QxtSpanSlider::keyPressEvent(QKeyEvent* event) {
    QSlider::keyPressEvent(event);

    const bool horizontal = orientation() == Qt::Horizontal;
    SliderAction action = SliderNoAction;
    switch (event->key()) {
        case Qt::Key_Home:
            if (d->mainControl == LowerHandle) action = SliderToMinimum;
            break;
        case Qt::Key_End:
            if (d->mainControl == UpperHandle) action = SliderToMaximum;
            break;
        case Qt::Key_Left:
            if (horizontal) action = invertedAppearance() ? SliderSingleStepAdd : SliderSingleStepSub;
            break;
        case Qt::Key_Right:
            if (horizontal) action = invertedAppearance() ? SliderSingleStepSub : SliderSingleStepAdd;
            break;
        case Qt::Key_Up:
            if (!horizontal) action = invertedControls() ? SliderSingleStepSub : SliderSingleStepAdd;
            break;
        case Qt::Key_Down:
            if (!horizontal) action = invertedControls() ? SliderSingleStepAdd : SliderSingleStepSub;
            break;
        // Page keys move the main handle by a page step in either orientation,
        // as they move a plain slider.
        case Qt::Key_PageUp:
            action = invertedControls() ? SliderPageStepSub : SliderPageStepAdd;
            break;
        case Qt::Key_PageDown:
            action = invertedControls() ? SliderPageStepAdd : SliderPageStepSub;
            break;
        default:
            event->ignore();
            break;
    }
    if (action != SliderNoAction) d->triggerAction(action, true);
}

void QxtSpanSlider::mousePressEvent(QMouseEvent* event) {
    if (minimum() == maximum() || (event->buttons() ^ event->button())) {
        event->ignore();
        return;
    }

    // The upper handle is tested first so that, with both handles on the
    // same spot, a drag can still decide which one moves (see mouseMoveEvent).
    d->handleMousePress(event->pos(), d->upperPressed, d->upper, UpperHandle);
    if (d->upperPressed != QStyle::SC_SliderHandle)
        d->handleMousePress(event->pos(), d->lowerPressed, d->lower, LowerHandle);

    if (d->upperPressed != QStyle::SC_SliderHandle && d->lowerPressed != QStyle::SC_SliderHandle) {
        event->ignore();
        return;
    }
    d->firstMovement = true;
    event->accept();
}

void QxtSpanSlider::mouseMoveEvent(QMouseEvent* event) {
    if (d->lowerPressed != QStyle::SC_SliderHandle && d->upperPressed != QStyle::SC_SliderHandle) {
        event->ignore();
        return;
    }

    QStyleOptionSlider opt;
    d->initStyleOption(&opt);
    const int dragDistance = style()->pixelMetric(QStyle::PM_MaximumDragDistance, &opt, this);
    int newPosition = d->pixelPosToRangeValue(d->pick(event->pos()) - d->offset);
    if (dragDistance >= 0) {
        const QRect allowed = rect().adjusted(-dragDistance, -dragDistance, dragDistance, dragDistance);
        if (!allowed.contains(event->pos())) newPosition = d->position;
    }

    // Both handles on one spot: the direction of the first drag picks the handle.
    if (d->firstMovement) {
        if (d->lower == d->upper && newPosition < d->lower && d->upperPressed == QStyle::SC_SliderHandle)
            d->swapControls();
        d->firstMovement = false;
    }

    if (d->lowerPressed == QStyle::SC_SliderHandle) {
        if (d->movement == NoCrossing)
            newPosition = qMin(newPosition, d->upper);
        else if (d->movement == NoOverlapping)
            newPosition = qMin(newPosition, d->upper - 1);

        if (d->movement == FreeMovement && newPosition > d->upper) {
            d->swapControls();
            setUpperPosition(newPosition);
        } else {
            setLowerPosition(newPosition);
        }
    } else if (d->upperPressed == QStyle::SC_SliderHandle) {
        if (d->movement == NoCrossing)
            newPosition = qMax(newPosition, d->lower);
        else if (d->movement == NoOverlapping)
            newPosition = qMax(newPosition, d->lower + 1);

        if (d->movement == FreeMovement && newPosition < d->lower) {
            d->swapControls();
            setLowerPosition(newPosition);
        } else {
            setUpperPosition(newPosition);
        }
    }
    event->accept();
}

void QxtSpanSlider::mouseReleaseEvent(QMouseEvent* event) {
    QSlider::mouseReleaseEvent(event);
    setSliderDown(false);
    d->lowerPressed = QStyle::SC_None;
    d->upperPressed = QStyle::SC_None;
    update();
}

void QxtSpanSlider::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);

    // Groove (and tick marks) without a handle.
    QStyleOptionSlider opt;
    d->initStyleOption(&opt);
    opt.sliderValue = 0;
    opt.sliderPosition = 0;
    opt.subControls = QStyle::SC_SliderGroove | QStyle::SC_SliderTickmarks;
    painter.drawComplexControl(QStyle::CC_Slider, opt);

    // Span between the handle centres.
    opt.sliderPosition = d->lowerPos;
    const QRect lowerRect = style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderHandle, this);
    const int lowerCentre = d->pick(lowerRect.center());
    opt.sliderPosition = d->upperPos;
    const QRect upperRect = style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderHandle, this);
    const int upperCentre = d->pick(upperRect.center());

    const int from = qMin(lowerCentre, upperCentre);
    const int to = qMax(lowerCentre, upperCentre);
    const QPoint centre = QRect(lowerRect.center(), upperRect.center()).center();
    const QRect spanRect = orientation() == Qt::Horizontal
                               ? QRect(QPoint(from, centre.y() - 2), QPoint(to, centre.y() + 1))
                               : QRect(QPoint(centre.x() - 2, from), QPoint(centre.x() + 1, to));
    d->drawSpan(&painter, spanRect);

    // The last pressed handle goes on top.
    if (d->lastPressed == LowerHandle) {
        d->drawHandle(&painter, UpperHandle);
        d->drawHandle(&painter, LowerHandle);
    } else {
        d->drawHandle(&painter, LowerHandle);
        d->drawHandle(&painter, UpperHandle);
    }
}

}  // namespace graph::widgets
