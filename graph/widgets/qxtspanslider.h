#pragma once
// A slider with two handles that selects a span [lowerValue, upperValue]
// inside the slider's range.

#include <QSlider>

namespace graph::widgets {

class QxtSpanSliderPrivate;

// Version text of the widget set this slider comes from.
const char* qxtVersion();

class QxtSpanSlider : public QSlider {
    Q_OBJECT
    Q_PROPERTY(int lowerValue READ lowerValue WRITE setLowerValue)
    Q_PROPERTY(int upperValue READ upperValue WRITE setUpperValue)
    Q_PROPERTY(int lowerPosition READ lowerPosition WRITE setLowerPosition)
    Q_PROPERTY(int upperPosition READ upperPosition WRITE setUpperPosition)
    Q_PROPERTY(HandleMovementMode handleMovementMode READ handleMovementMode WRITE setHandleMovementMode)

public:
    enum HandleMovementMode {
        FreeMovement = 0,  // handles may pass each other (they swap roles)
        NoCrossing = 1,    // lower never goes above upper
        NoOverlapping = 2  // handles stay at least one step apart
    };
    Q_ENUM(HandleMovementMode)

    enum SpanHandle { NoHandle = 0, LowerHandle = 1, UpperHandle = 2 };
    Q_ENUM(SpanHandle)

    explicit QxtSpanSlider(QWidget* parent = nullptr);
    explicit QxtSpanSlider(Qt::Orientation orientation, QWidget* parent = nullptr);
    ~QxtSpanSlider() override;

    HandleMovementMode handleMovementMode() const;
    void setHandleMovementMode(HandleMovementMode mode);

    int lowerValue() const;
    int upperValue() const;
    int lowerPosition() const;
    int upperPosition() const;

public slots:
    void setLowerValue(int lower);
    void setUpperValue(int upper);
    void setSpan(int lower, int upper);
    void setLowerPosition(int lower);
    void setUpperPosition(int upper);

signals:
    void spanChanged(int lower, int upper);
    void lowerValueChanged(int lower);
    void upperValueChanged(int upper);
    void lowerPositionChanged(int lower);
    void upperPositionChanged(int upper);
    // Spelled out in full so the argument's meta-type name is the registered one.
    void sliderPressed(QxtSpanSlider::SpanHandle handle);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    friend class QxtSpanSliderPrivate;
    QxtSpanSliderPrivate* d;
};

}  // namespace graph::widgets
