// The two-handled span slider: clamping, ordering, signals, keyboard and
// mouse drags under each movement mode.
#include "graph/widgets/qxtspanslider.h"

#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

using namespace graph::widgets;

namespace {

// Exposes where the style draws a handle, so drags can start on one.
class ProbedSlider : public QxtSpanSlider {
public:
    ProbedSlider() : QxtSpanSlider(Qt::Horizontal) {
        setRange(0, 1000);
        resize(1020, 30);
    }

    QPoint handleCentre(int value) {
        QStyleOptionSlider opt;
        initStyleOption(&opt);
        opt.sliderPosition = value;
        opt.sliderValue = value;
        return style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderHandle, this).center();
    }

    // Pointer x that puts the handle (grabbed at its centre) on `value`.
    QPoint pointFor(int value) { return handleCentre(value); }
};

// Drags through the slider's window, as the platform would deliver it (the
// widget overload of QTest::mouseMove only moves the cursor).
void dragHandle(ProbedSlider& slider, int fromValue, int toValue) {
    QWindow* window = slider.windowHandle();
    ASSERT_NE(window, nullptr);
    const QPoint from = slider.handleCentre(fromValue);
    const QPoint to = slider.pointFor(toValue);
    QTest::mousePress(window, Qt::LeftButton, Qt::NoModifier, from);
    QTest::mouseMove(window, (from + to) / 2);
    QTest::mouseMove(window, to);
    QTest::mouseRelease(window, Qt::LeftButton, Qt::NoModifier, to);
}

void showSlider(ProbedSlider& slider) {
    slider.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&slider));
}

}  // namespace

TEST(SpanSlider, VersionText) {
    EXPECT_STREQ(qxtVersion(), "0.7.0");
}

TEST(SpanSlider, SetSpanOrdersAndClamps) {
    struct Case {
        int lower, upper, expectedLower, expectedUpper;
    };
    const std::vector<Case> cases = {
        {700, 300, 300, 700},     {-5, 2000, 0, 1000}, {250, 750, 250, 750},
        {1200, 1100, 1000, 1000}, {-3, -9, 0, 0},      {400, 400, 400, 400},
    };
    for (const Case& c : cases) {
        QxtSpanSlider slider(Qt::Horizontal);
        slider.setRange(0, 1000);
        slider.setSpan(c.lower, c.upper);
        EXPECT_EQ(slider.lowerValue(), c.expectedLower) << c.lower << "," << c.upper;
        EXPECT_EQ(slider.upperValue(), c.expectedUpper) << c.lower << "," << c.upper;
        EXPECT_EQ(slider.lowerPosition(), c.expectedLower);
        EXPECT_EQ(slider.upperPosition(), c.expectedUpper);
    }
}

TEST(SpanSlider, SignalsOnlyForRealChanges) {
    QxtSpanSlider slider(Qt::Horizontal);
    slider.setRange(0, 1000);
    QSignalSpy span(&slider, &QxtSpanSlider::spanChanged);
    QSignalSpy lower(&slider, &QxtSpanSlider::lowerValueChanged);
    QSignalSpy upper(&slider, &QxtSpanSlider::upperValueChanged);

    slider.setSpan(300, 700);
    slider.setSpan(300, 700);
    slider.setSpan(700, 300);  // same span, other order
    ASSERT_EQ(span.count(), 1);
    EXPECT_EQ(span.at(0).at(0).toInt(), 300);
    EXPECT_EQ(span.at(0).at(1).toInt(), 700);
    EXPECT_EQ(lower.count(), 1);
    EXPECT_EQ(upper.count(), 1);

    slider.setUpperValue(800);  // only the upper side moves
    EXPECT_EQ(span.count(), 2);
    EXPECT_EQ(lower.count(), 1);
    ASSERT_EQ(upper.count(), 2);
    EXPECT_EQ(upper.at(1).at(0).toInt(), 800);

    slider.setLowerValue(900);  // passes the upper value: the span is re-ordered
    EXPECT_EQ(slider.lowerValue(), 800);
    EXPECT_EQ(slider.upperValue(), 900);
}

TEST(SpanSlider, NewRangeClampsTheSpan) {
    QxtSpanSlider slider(Qt::Horizontal);
    slider.setRange(0, 1000);
    slider.setSpan(100, 900);
    QSignalSpy span(&slider, &QxtSpanSlider::spanChanged);
    slider.setRange(200, 500);
    EXPECT_EQ(slider.lowerValue(), 200);
    EXPECT_EQ(slider.upperValue(), 500);
    EXPECT_EQ(span.count(), 1);
}

TEST(SpanSlider, PropertiesAreReachableByName) {
    QxtSpanSlider slider(Qt::Horizontal);
    slider.setRange(0, 1000);
    EXPECT_TRUE(slider.setProperty("upperValue", 600));
    EXPECT_TRUE(slider.setProperty("lowerValue", 100));
    EXPECT_EQ(slider.property("lowerValue").toInt(), 100);
    EXPECT_EQ(slider.property("upperValue").toInt(), 600);
    EXPECT_EQ(slider.property("lowerPosition").toInt(), 100);
    EXPECT_TRUE(slider.setProperty("handleMovementMode", QxtSpanSlider::NoOverlapping));
    EXPECT_EQ(slider.handleMovementMode(), QxtSpanSlider::NoOverlapping);
}

TEST(SpanSlider, PositionsFollowValuesWhileTracking) {
    QxtSpanSlider slider(Qt::Horizontal);
    slider.setRange(0, 1000);
    slider.setSpan(100, 600);
    slider.setUpperPosition(650);
    EXPECT_EQ(slider.upperValue(), 650);

    slider.setTracking(false);
    QSignalSpy span(&slider, &QxtSpanSlider::spanChanged);
    slider.setLowerPosition(200);
    EXPECT_EQ(slider.lowerPosition(), 200);
    EXPECT_EQ(slider.lowerValue(), 100);  // committed only on release
    EXPECT_EQ(span.count(), 0);
}

TEST(SpanSlider, KeyboardMovesTheMainHandleUnderTheMode) {
    struct Case {
        QxtSpanSlider::HandleMovementMode mode;
        int presses;
        int expectedLower, expectedUpper;
    };
    // Lower handle (the main control) starts at 480, upper at 500, step 10.
    const std::vector<Case> cases = {
        {QxtSpanSlider::NoCrossing, 5, 500, 500},
        {QxtSpanSlider::NoOverlapping, 5, 499, 500},
        {QxtSpanSlider::FreeMovement, 5, 500, 530},  // handles exchange roles
    };
    for (const Case& c : cases) {
        QxtSpanSlider slider(Qt::Horizontal);
        slider.setRange(0, 1000);
        slider.setSingleStep(10);
        slider.setHandleMovementMode(c.mode);
        slider.setSpan(480, 500);
        for (int i = 0; i < c.presses; ++i) QTest::keyClick(&slider, Qt::Key_Right);
        EXPECT_EQ(slider.lowerValue(), c.expectedLower) << c.mode;
        EXPECT_EQ(slider.upperValue(), c.expectedUpper) << c.mode;
    }

    QxtSpanSlider slider(Qt::Horizontal);
    slider.setRange(0, 1000);
    slider.setSingleStep(10);
    slider.setSpan(300, 700);
    QTest::keyClick(&slider, Qt::Key_Left);
    EXPECT_EQ(slider.lowerValue(), 290);
    QTest::keyClick(&slider, Qt::Key_Up);  // vertical keys do nothing on a horizontal slider
    EXPECT_EQ(slider.lowerValue(), 290);
    QTest::keyClick(&slider, Qt::Key_Home);
    EXPECT_EQ(slider.lowerValue(), 0);
    QTest::keyClick(&slider, Qt::Key_End);  // the upper handle is not the main control
    EXPECT_EQ(slider.upperValue(), 700);
}

TEST(SpanSlider, DragUnderNoOverlappingStopsOneStepBelow) {
    ProbedSlider slider;
    slider.setHandleMovementMode(QxtSpanSlider::NoOverlapping);
    slider.setSpan(200, 600);
    showSlider(slider);
    QSignalSpy pressed(&slider, qOverload<QxtSpanSlider::SpanHandle>(&QxtSpanSlider::sliderPressed));

    dragHandle(slider, 200, 800);
    EXPECT_EQ(slider.lowerValue(), 599);
    EXPECT_EQ(slider.upperValue(), 600);
    ASSERT_EQ(pressed.count(), 1);
    EXPECT_EQ(pressed.at(0).at(0).value<QxtSpanSlider::SpanHandle>(), QxtSpanSlider::LowerHandle);
}

TEST(SpanSlider, DragUnderNoCrossingStopsOnTheOtherHandle) {
    ProbedSlider slider;
    slider.setHandleMovementMode(QxtSpanSlider::NoCrossing);
    slider.setSpan(200, 600);
    showSlider(slider);
    dragHandle(slider, 600, 100);
    EXPECT_EQ(slider.lowerValue(), 200);
    EXPECT_EQ(slider.upperValue(), 200);
}

TEST(SpanSlider, DragUnderFreeMovementExchangesTheHandles) {
    ProbedSlider slider;
    slider.setHandleMovementMode(QxtSpanSlider::FreeMovement);
    slider.setSpan(200, 600);
    showSlider(slider);
    QSignalSpy span(&slider, &QxtSpanSlider::spanChanged);

    dragHandle(slider, 200, 800);
    // The dragged handle is now the upper one; the other stays where it was.
    EXPECT_EQ(slider.lowerValue(), 600);
    EXPECT_NEAR(slider.upperValue(), 800, 2);
    for (const QList<QVariant>& args : span) EXPECT_LE(args.at(0).toInt(), args.at(1).toInt());

    // The same handle, grabbed again, still moves freely back below.
    dragHandle(slider, slider.upperValue(), 100);
    EXPECT_NEAR(slider.lowerValue(), 100, 2);
    EXPECT_EQ(slider.upperValue(), 600);
}

TEST(SpanSlider, DragFromEqualValuesPicksTheHandleByDirection) {
    ProbedSlider slider;
    slider.setSpan(500, 500);
    showSlider(slider);
    dragHandle(slider, 500, 300);
    EXPECT_NEAR(slider.lowerValue(), 300, 2);
    EXPECT_EQ(slider.upperValue(), 500);
}

TEST(SpanSlider, PressOutsideTheHandlesIsIgnored) {
    ProbedSlider slider;
    slider.setSpan(200, 600);
    showSlider(slider);
    QSignalSpy pressed(&slider, qOverload<QxtSpanSlider::SpanHandle>(&QxtSpanSlider::sliderPressed));
    QWindow* window = slider.windowHandle();
    QTest::mousePress(window, Qt::LeftButton, Qt::NoModifier, slider.handleCentre(400));
    QTest::mouseMove(window, slider.handleCentre(900));
    QTest::mouseRelease(window, Qt::LeftButton, Qt::NoModifier, slider.handleCentre(900));
    EXPECT_EQ(pressed.count(), 0);
    EXPECT_EQ(slider.lowerValue(), 200);
    EXPECT_EQ(slider.upperValue(), 600);
}

TEST(SpanSlider, PageKeysMoveTheMainHandleByAPageStep) {
    QxtSpanSlider slider(Qt::Horizontal);
    slider.setRange(0, 1000);
    slider.setSingleStep(10);
    slider.setPageStep(100);
    slider.setSpan(300, 700);
    QTest::keyClick(&slider, Qt::Key_PageUp);
    EXPECT_EQ(slider.lowerValue(), 400);
    EXPECT_EQ(slider.upperValue(), 700);
    QTest::keyClick(&slider, Qt::Key_PageDown);
    QTest::keyClick(&slider, Qt::Key_PageDown);
    EXPECT_EQ(slider.lowerValue(), 200);
    for (int i = 0; i < 3; ++i) QTest::keyClick(&slider, Qt::Key_PageDown);
    EXPECT_EQ(slider.lowerValue(), 0) << "stops at the minimum";

    slider.setInvertedControls(true);
    QTest::keyClick(&slider, Qt::Key_PageDown);
    EXPECT_EQ(slider.lowerValue(), 100) << "inverted controls turn the page keys round";
    EXPECT_EQ(slider.upperValue(), 700);
}
