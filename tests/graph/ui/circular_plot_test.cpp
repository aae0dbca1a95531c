// The circular plot: opening from the connectivity window, node labels next
// to their nodes, edge pens and colours, the display range, hovering,
// conditions and triggers, the spanning-tree marker and PNG export.
#include "graph/ui/connectivity_form.h"
#include "graph/ui/connectivity_object.h"
#include "graph/ui/connectivity_object_ui.h"
#include "graph/ui/views/circular_plot.h"
#include "graph/ui/views/circular_plot_widget.h"
#include "graph/widgets/my_graphics_simple_text_item.h"
#include "graph/widgets/my_slider.h"
#include "graph/widgets/qxtspanslider.h"

#include "manifest_fixture.h"
#include "ui_fixture.h"
#include "figure_checks.h"
#include "scripted_prompts.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QGroupBox>
#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScatterSeries>
#include <QSplineSeries>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

using QtCharts::QSplineSeries;

namespace {

Eigen::MatrixXf toEigen(const Rows& rows) {
    Eigen::MatrixXf m(rows.size(), rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i)
        for (std::size_t j = 0; j < rows.size(); ++j) m(i, j) = rows[i][j];
    return m;
}

// Weights chosen for the range edges: 1.0, 0.5 (twice), -0.5, 0.3, 1e-9 and 0.
const Rows kFour = {{0, 1.0f, 0.5f, 0.3f}, {1.0f, 0, -0.5f, 1e-9f}, {0.5f, -0.5f, 0, 0}, {0.3f, 1e-9f, 0, 0}};

QStringList names(int n) {
    QStringList list;
    for (int i = 0; i < n; ++i) list << QStringLiteral("node-%1").arg(i);
    return list;
}

class CircularPlotTest : public ::testing::Test {
protected:
    CircularPlot* make(const std::vector<Eigen::MatrixXf>& matrices, const QStringList& nodeNames,
                       const std::vector<ConditionRecord>& conditions = {}) {
        subject.manifest.uses_proto = !conditions.empty();
        subject.manifest.ordered_conditions = conditions;
        window = std::make_unique<CircularPlot>(subject, matrices, nodeNames);
        window->setPrompts(scriptedPrompts(script));
        window->show();
        window->buildAndPlot();
        return window.get();
    }
    CircularPlotWidget* widget() const { return window->plotWidget(); }
    QSplineSeries* edge(int i, int j) const { return widget()->edge(i, j); }

    Subject subject;
    std::shared_ptr<PromptScript> script = std::make_shared<PromptScript>();
    std::unique_ptr<CircularPlot> window;
    TempFolder folder;
};

}  // namespace

TEST_F(CircularPlotTest, WindowAsBuilt) {
    CircularPlot* w = make({toEigen(kFour)}, names(4));
    EXPECT_EQ(w->objectName(), "CircularPlotWindow");
    EXPECT_EQ(w->windowTitle(), "Connectivity Plot");
    EXPECT_EQ(w->minimumSize(), QSize(700, 700));
    EXPECT_EQ(w->centralWidget()->objectName(), "centralWidget");
    EXPECT_NE(w->findChild<QObject*>("mainVLayout"), nullptr);
    EXPECT_NE(w->findChild<QObject*>("hLayout_Conditions"), nullptr);
    MySlider* slider = w->findChild<MySlider*>("hSlider_Conditions");
    ASSERT_NE(slider, nullptr);
    EXPECT_FALSE(slider->isVisible()) << "no protocol, no condition row";
    ASSERT_EQ(w->contextActions().size(), 2);
    EXPECT_EQ(w->contextActions()[0]->text(), "Export to image...");
    EXPECT_EQ(w->contextActions()[1]->text(), "Mark maximum spanning tree");
}

TEST_F(CircularPlotTest, EveryLabelSitsNextToTheNodeItNames) {
    for (const int n : {4, 7, 12}) {
        make({toEigen(graph_test::exampleMatrix(n, 3))}, names(n));
        CircularPlotWidget* plot = widget();
        ASSERT_EQ(plot->labels().size(), n);
        QSet<int> shown;
        for (MyGraphicsSimpleTextItem* label : plot->labels()) {
            const int index = label->property("index").toInt();
            EXPECT_EQ(label->text(), QStringLiteral("node-%1").arg(index));
            shown.insert(index);
            // The node nearest to the label's middle, on screen.
            const QPointF middle = label->mapToParent(label->boundingRect().center());
            int nearest = -1;
            double best = 1e9;
            for (int k = 0; k < n; ++k) {
                const double d = QLineF(middle, plot->nodeOnScreen(k)).length();
                if (d < best) best = d, nearest = k;
            }
            EXPECT_EQ(nearest, index) << "n=" << n << " label " << label->text().toStdString();
            EXPECT_LT(best, 140.0) << "n=" << n;
        }
        EXPECT_EQ(shown.size(), n) << "every node labelled once";
    }
}

TEST_F(CircularPlotTest, NodesAndEdgesFromTheMatrix) {
    make({toEigen(kFour)}, names(4));
    CircularPlotWidget* plot = widget();
    // First node on top of the circle: chart y up, so it is drawn highest.
    const QPointF top = plot->nodeOnScreen(0);
    for (int k = 1; k < 4; ++k) EXPECT_LT(top.y(), plot->nodeOnScreen(k).y() + 1e-3);
    EXPECT_EQ(plot->nodeSeries()->count(), 4);
    EXPECT_EQ(plot->nodeSeries()->markerSize(), 10.0);

    // Zero draws nothing, 1e-9 draws an edge.
    EXPECT_EQ(plot->edgeSeries().size(), 5);
    EXPECT_EQ(edge(2, 3), nullptr);
    ASSERT_NE(edge(1, 3), nullptr);

    // Edge 0-2: node 2 (270 degrees), control point, node 0 (90 degrees);
    // chord midpoint (320, 320), so the control point is (320, 325).
    const double r = 640.0 / 3.0;
    const QPointF expected[] = {{320, 320 - r}, {320, 325}, {320, 320 + r}};
    QSplineSeries* e = edge(0, 2);
    ASSERT_EQ(e->count(), 3);
    for (int p = 0; p < 3; ++p) {
        EXPECT_NEAR(e->at(p).x(), expected[p].x(), 1e-3) << p;
        EXPECT_NEAR(e->at(p).y(), expected[p].y(), 1e-3) << p;
    }
    // Edge 1-3: node 3 (320 + r, 320), control, node 1 (320 - r, 320).
    QSplineSeries* f = edge(1, 3);
    EXPECT_NEAR(f->at(0).x(), 320 + r, 1e-3);
    EXPECT_NEAR(f->at(1).y(), 325, 1e-3);
    EXPECT_NEAR(f->at(2).x(), 320 - r, 1e-3);
    EXPECT_EQ(e->property("emitting-from").toInt(), 0);
    EXPECT_EQ(e->property("emitting-to").toInt(), 2);
    EXPECT_FLOAT_EQ(e->property("value").toFloat(), 0.5f);
    EXPECT_FALSE(e->property("mst_sig").toBool());
}

TEST_F(CircularPlotTest, PenWidthsAndColoursFollowTheOptions) {
    make({toEigen(kFour)}, names(4));
    CircularPlotWidget* plot = widget();
    plot->setUseWeights(true);
    plot->setThicknessMultiplier(5.0);
    // 5 x weight, truncated: 1.0 -> 5, 0.5 -> 2, 0.3 -> 1; -0.5 the thin pen.
    EXPECT_EQ(edge(0, 1)->pen().width(), 5);
    EXPECT_EQ(edge(0, 2)->pen().width(), 2);
    EXPECT_EQ(edge(0, 3)->pen().width(), 1);
    EXPECT_EQ(edge(1, 2)->pen().width(), 1) << "a negative weight is never drawn thick";
    plot->setThicknessMultiplier(10.0);
    EXPECT_EQ(edge(0, 1)->pen().width(), 10);
    EXPECT_EQ(edge(1, 2)->pen().width(), 1);
    plot->highlightEdgeSeries(edge(1, 2), true);
    EXPECT_EQ(edge(1, 2)->pen().width(), 1) << "nor when hovered";
    plot->highlightEdgeSeries(edge(1, 2), false);
    EXPECT_EQ(edge(0, 3)->pen().width(), 3);
    EXPECT_EQ(edge(0, 3)->property("pen").value<QPen>().width(), 3);
    plot->setUseWeights(false);
    plot->setFixedThickness(3.5);
    for (QSplineSeries* s : plot->edgeSeries()) EXPECT_EQ(s->pen().width(), 3);

    EXPECT_EQ(edge(0, 2)->pen().color(), QColor(0, 0, 0, 30));
    plot->setColorizeEdges(true);
    // 0.5 -> (f(0), f(0.5), f(1)) = (1, 0.5, 0); -0.5 -> (0, 0.5, 1).
    EXPECT_EQ(edge(0, 2)->pen().color(), QColor::fromRgbF(1.0, 0.5, 0.0));
    EXPECT_EQ(edge(1, 2)->pen().color(), QColor::fromRgbF(0.0, 0.5, 1.0));
    EXPECT_EQ(edge(0, 1)->pen().color(), QColor::fromRgbF(0.5, 0.0, 0.0));
    plot->setColorizeEdges(false);
    EXPECT_EQ(edge(0, 2)->pen().color(), QColor(0, 0, 0, 30));

    plot->setNodesSize(17);
    EXPECT_EQ(plot->nodeSeries()->markerSize(), 17.0);
    plot->setLabelsVisible(false);
    for (auto* label : plot->labels()) EXPECT_FALSE(label->isVisible());
}

TEST_F(CircularPlotTest, DisplayRangeUsesStrictBoundsAtBothEnds) {
    CircularPlot* w = make({toEigen(kFour)}, names(4));
    for (QSplineSeries* s : widget()->edgeSeries())
        EXPECT_TRUE(s->isVisible()) << "all shown before any range change";
    struct Case {
        int lower, upper;
        bool w10, w05, wNeg, w03, wTiny;
    };
    const Case cases[] = {
        {0, 1000, false, true, false, true, true},     {500, 1000, false, false, false, false, false},
        {499, 1000, false, true, false, false, false}, {0, 300, false, false, false, false, true},
        {0, 301, false, false, false, true, true},     {0, 0, false, false, false, false, false},
    };
    for (const Case& c : cases) {
        w->displayRangeChanged(c.lower, c.upper);
        const std::string at = std::to_string(c.lower) + "," + std::to_string(c.upper);
        EXPECT_EQ(edge(0, 1)->isVisible(), c.w10) << at;
        EXPECT_EQ(edge(0, 2)->isVisible(), c.w05) << at;
        EXPECT_EQ(edge(1, 2)->isVisible(), c.wNeg) << at;
        EXPECT_EQ(edge(0, 3)->isVisible(), c.w03) << at;
        EXPECT_EQ(edge(1, 3)->isVisible(), c.wTiny) << at;
        EXPECT_EQ(edge(0, 1)->property("filtered-out").toBool(), !c.w10) << at;
    }
}

TEST_F(CircularPlotTest, HoveringALabelShowsOnlyItsEdgesAndRestoresThem) {
    CircularPlot* w = make({toEigen(kFour)}, names(4));
    w->displayRangeChanged(0, 1000);  // hides 1.0 and -0.5
    MyGraphicsSimpleTextItem* label3 = nullptr;
    for (auto* label : widget()->labels())
        if (label->property("index").toInt() == 3) label3 = label;
    ASSERT_NE(label3, nullptr);
    emit label3->hovering(true);
    EXPECT_TRUE(edge(0, 3)->isVisible());
    EXPECT_TRUE(edge(1, 3)->isVisible());
    EXPECT_FALSE(edge(0, 2)->isVisible());
    EXPECT_FALSE(edge(0, 1)->isVisible());
    emit label3->hovering(false);
    EXPECT_TRUE(edge(0, 2)->isVisible());
    EXPECT_FALSE(edge(0, 1)->isVisible()) << "filtered out stays hidden";
    EXPECT_FALSE(edge(1, 2)->isVisible());
}

TEST_F(CircularPlotTest, HoveringAnEdgeShowsItsValueAndFadesTheOthers) {
    make({toEigen(kFour)}, names(4));
    CircularPlotWidget* plot = widget();
    const QColor before = edge(0, 1)->pen().color();
    plot->highlightEdgeSeries(edge(0, 2), true);
    EXPECT_TRUE(plot->valueText()->isVisible());
    EXPECT_EQ(plot->valueText()->text(), "0.5");
    const QPointF control = plot->chart()->mapToPosition(edge(0, 2)->at(1), plot->nodeSeries());
    EXPECT_NEAR(plot->valueText()->pos().x(), control.x(), 1e-6);
    EXPECT_NEAR(plot->valueText()->pos().y(), control.y(), 1e-6);
    EXPECT_EQ(edge(0, 2)->pen().color(), QColor(Qt::blue));
    EXPECT_EQ(edge(0, 2)->pen().width(), 2);
    EXPECT_EQ(edge(0, 1)->pen().color(), QColor(0, 0, 0, 10));
    plot->highlightEdgeSeries(edge(0, 2), false);
    EXPECT_FALSE(plot->valueText()->isVisible());
    EXPECT_EQ(edge(0, 1)->pen().color(), before);
    EXPECT_EQ(edge(0, 2)->pen().color(), before);

    plot->highlightEdgeSeries(edge(1, 3), true);
    EXPECT_EQ(plot->valueText()->text(), "1e-09");
}

TEST_F(CircularPlotTest, ConditionsStepThroughMatricesAndTriggers) {
    Rows second = kFour;
    second[0][1] = second[1][0] = 0.75f;
    const std::vector<ConditionRecord> conditions = {{0, "Rest", 1}, {10, "Cue", 2}, {20, "Tap", 1}};
    CircularPlot* w = make({toEigen(kFour), toEigen(kFour), toEigen(second)}, names(4), conditions);
    MySlider* slider = w->conditionSlider();
    EXPECT_FALSE(slider->isHidden());
    EXPECT_EQ(slider->minimum(), 1);
    EXPECT_EQ(slider->maximum(), 3);
    EXPECT_EQ(slider->labels(), QStringList({"Rest", "Cue", "Tap"}));
    EXPECT_EQ(w->plotState().value("condition_str").toString(), "Rest");

    slider->setValue(2);
    emit slider->sliderReleased();
    EXPECT_EQ(w->plotState().value("slice").toInt(), 1);
    EXPECT_EQ(w->plotState().value("condition_type").toInt(), 2);
    EXPECT_TRUE(widget()->triggerText()->isVisible());
    EXPECT_EQ(widget()->triggerText()->text(), "Trigger \"Cue\"");
    // The text keeps its size: the view shows the whole chart, not the text alone.
    EXPECT_LT(widget()->transform().m11(), 1.5);
    EXPECT_TRUE(widget()->contentRect().contains(widget()->triggerText()->sceneBoundingRect()));
    EXPECT_TRUE(widget()->edgeSeries().isEmpty());
    EXPECT_TRUE(widget()->labels().isEmpty());

    slider->setValue(3);
    emit slider->sliderReleased();
    EXPECT_FALSE(widget()->triggerText()->isVisible());
    ASSERT_NE(edge(0, 1), nullptr);
    EXPECT_FLOAT_EQ(edge(0, 1)->property("value").toFloat(), 0.75f);
}

// Where the condition slider's handle is drawn: the middle of the pixels in
// the handle's colour on the slider's own picture.
static QPoint paintedHandleCentre(QWidget* slider) {
    const QImage image = slider->grab().toImage();
    const QColor handle(0x3c, 0x6f, 0xb4);
    long sumX = 0, sumY = 0, count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) == handle) sumX += x, sumY += y, ++count;
    if (count == 0) return {-1, -1};
    return {static_cast<int>(sumX / count), static_cast<int>(sumY / count)};
}

TEST_F(CircularPlotTest, ConditionSliderDragsWhereItsHandleIsDrawnAndRedrawsAtOnce) {
    Rows second = kFour;
    second[0][1] = second[1][0] = 0.75f;
    const std::vector<ConditionRecord> conditions = {
        {0, "Rest", 1}, {10, "Finger tapping", 1}, {20, "Condition 7 of the recovery block", 1}};
    CircularPlot* w = make({toEigen(kFour), toEigen(kFour), toEigen(second)}, names(4), conditions);
    MySlider* slider = w->conditionSlider();
    QApplication::processEvents();

    // Every name fits below the groove, written upright.
    const int longest = QFontMetrics(slider->font()).horizontalAdvance("Condition 7 of the recovery block");
    EXPECT_GE(slider->height(), 28 + longest) << "the longest condition name is cut";

    // A key moves the condition and the plot shows it at once.
    QTest::keyClick(slider, Qt::Key_Right);
    EXPECT_EQ(slider->value(), 2);
    EXPECT_EQ(w->plotState().value("slice").toInt(), 1);
    EXPECT_EQ(w->plotState().value("condition_str").toString(), "Finger tapping");

    // Dragging the handle where the user sees it moves it to the last name.
    const QPoint handle = paintedHandleCentre(slider);
    ASSERT_GE(handle.x(), 0) << "handle not found on the slider's picture";
    QTest::mousePress(slider, Qt::LeftButton, Qt::NoModifier, handle);
    // A real move event with the button held (QTest's move only moves the cursor).
    const QPoint end(slider->width() - 2, handle.y());
    QMouseEvent move(QEvent::MouseMove, end, slider->mapToGlobal(end), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(slider, &move);
    QTest::mouseRelease(slider, Qt::LeftButton, Qt::NoModifier, end);
    EXPECT_EQ(slider->value(), 3);
    EXPECT_EQ(w->plotState().value("slice").toInt(), 2);
    ASSERT_NE(edge(0, 1), nullptr);
    EXPECT_FLOAT_EQ(edge(0, 1)->property("value").toFloat(), 0.75f);
}

// Pixels darker than mid grey: the ink of text drawn on a light ground.
static int inkIn(const QImage& image, const QRect& area) {
    int count = 0;
    for (int y = std::max(0, area.top()); y <= std::min(image.height() - 1, area.bottom()); ++y)
        for (int x = std::max(0, area.left()); x <= std::min(image.width() - 1, area.right()); ++x)
            if (qGray(image.pixel(x, y)) < 128) ++count;
    return count;
}

// The ink of a text drawn whole, lying flat, in the given font.
static int inkOfText(const QString& text, const QFont& font) {
    const QFontMetrics metrics(font);
    QImage image(metrics.horizontalAdvance(text) + 8, metrics.height() + 8, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(4, 4 + metrics.ascent(), text);
    painter.end();
    return inkIn(image, image.rect());
}

TEST_F(CircularPlotTest, EveryConditionNameUnderTheSliderShowsWhole) {
    const QStringList sets[] = {{"Rest", "Cue", "Finger tapping", "Recovery"},
                                {"Condition 1", "Condition 2", "Condition 3", "Condition 4", "Condition 5",
                                 "Condition 6", "Condition 7"}};
    for (const QStringList& namesUnder : sets) {
        std::vector<ConditionRecord> conditions;
        std::vector<Eigen::MatrixXf> matrices;
        for (int k = 0; k < namesUnder.size(); ++k) {
            conditions.push_back({k * 10, namesUnder[k].toStdString(), 1});
            matrices.push_back(toEigen(kFour));
        }
        CircularPlot* w = make(matrices, names(4), conditions);
        w->resize(700, 781);
        QApplication::processEvents();
        MySlider* slider = w->conditionSlider();
        const QFontMetrics metrics(slider->font());
        const QImage picture = slider->grab().toImage();
        for (int k = 0; k < namesUnder.size(); ++k) {
            const QString name = namesUnder[k];
            const QRect place = slider->labelRect(k);
            EXPECT_EQ(slider->shownLabel(k), name);
            EXPECT_TRUE(slider->rect().contains(place)) << name.toStdString() << " runs off the slider";
            // Upright, the text's length runs down the rectangle and its
            // line height across it.
            EXPECT_GE(place.height(), metrics.horizontalAdvance(name)) << name.toStdString();
            EXPECT_GE(place.width(), metrics.height()) << name.toStdString();
            for (int other = 0; other < namesUnder.size(); ++other)
                if (other != k) EXPECT_FALSE(place.intersects(slider->labelRect(other))) << k << " " << other;
            // The name is drawn there whole: as much ink as the same text lying flat.
            EXPECT_GE(inkIn(picture, place), inkOfText(name, slider->font()) * 9 / 10) << name.toStdString();
            EXPECT_TRUE(slider->toolTipAt(place.center()).isEmpty()) << "no tool tip for a whole name";
        }
    }
}

TEST_F(CircularPlotTest, ConditionNameTooLongForTheSliderIsCutWithItsToolTip) {
    const std::vector<ConditionRecord> conditions = {{0, "Rest", 1},
                                                     {10, "Finger tapping with both hands", 1}};
    CircularPlot* w = make({toEigen(kFour), toEigen(kFour)}, names(4), conditions);
    MySlider* slider = w->conditionSlider();
    slider->setMinimumHeight(0);
    slider->setFixedHeight(28 + 6 + QFontMetrics(slider->font()).horizontalAdvance("Finger"));
    QApplication::processEvents();
    EXPECT_EQ(slider->shownLabel(0), "Rest");
    const QString cut = slider->shownLabel(1);
    EXPECT_TRUE(cut.endsWith(QChar(0x2026))) << cut.toStdString();
    EXPECT_TRUE(QString("Finger tapping with both hands").startsWith(cut.left(cut.size() - 1)));
    EXPECT_LE(QFontMetrics(slider->font()).horizontalAdvance(cut), slider->labelRect(1).height());
    EXPECT_EQ(slider->toolTipAt(slider->labelRect(1).center()), "Finger tapping with both hands");
    EXPECT_TRUE(slider->toolTipAt(slider->labelRect(0).center()).isEmpty());
}

TEST_F(CircularPlotTest, MoreConditionsThanMatricesSaysSo) {
    const std::vector<ConditionRecord> conditions = {{0, "Rest", 1}, {10, "Tap", 1}};
    CircularPlot* w = make({toEigen(kFour)}, names(4), conditions);
    w->conditionSlider()->setValue(2);
    emit w->conditionSlider()->sliderReleased();
    EXPECT_EQ(widget()->triggerText()->text(), "No matrix for \"Tap\"");
    EXPECT_TRUE(widget()->edgeSeries().isEmpty());
}

TEST_F(CircularPlotTest, SpanningTreeMarksTheBackboneAndFollowsConditions) {
    Rows second = kFour;
    second[0][3] = second[3][0] = 0.0f;  // node 3 now hangs on the 1e-9 edge
    const std::vector<ConditionRecord> conditions = {{0, "Rest", 1}, {10, "Tap", 1}};
    CircularPlot* w = make({toEigen(kFour), toEigen(second)}, names(4), conditions);
    QAction* mst = w->contextActions()[1];
    mst->trigger();  // checkable: now on
    ASSERT_TRUE(mst->isChecked());
    // |W|: 1.0 (0-1), 0.5 (0-2, first of the tie with 1-2), 0.3 (0-3).
    EXPECT_TRUE(edge(0, 1)->property("mst_sig").toBool());
    EXPECT_TRUE(edge(0, 2)->property("mst_sig").toBool());
    EXPECT_TRUE(edge(0, 3)->property("mst_sig").toBool());
    EXPECT_FALSE(edge(1, 2)->property("mst_sig").toBool());
    EXPECT_FALSE(edge(1, 3)->property("mst_sig").toBool());
    EXPECT_EQ(edge(0, 1)->pen().color(), QColor(Qt::magenta));
    EXPECT_EQ(w->plotState().value("mst").toList().size(), 16);

    // A condition change recomputes the marker inside the locked redraw.
    w->conditionSlider()->setValue(2);
    emit w->conditionSlider()->sliderReleased();
    EXPECT_TRUE(edge(1, 3)->property("mst_sig").toBool());
    EXPECT_FALSE(edge(1, 2)->property("mst_sig").toBool());

    mst->trigger();  // off
    for (QSplineSeries* s : widget()->edgeSeries()) EXPECT_FALSE(s->property("mst_sig").toBool());
}

TEST_F(CircularPlotTest, ImageExportWritesAPngOfThePlotOrNamesTheFile) {
    CircularPlot* w = make({toEigen(kFour)}, names(4));
    const QString path = QString::fromStdString((folder.path() / "plot.png").string());
    script->saveFiles << path;
    w->contextActions()[0]->trigger();
    EXPECT_EQ(script->saveDialogs, QStringList({"Save as...|PNG (*.png)|png"}));
    QImage image(path, "PNG");
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), w->plotWidget()->grab().size());
    EXPECT_TRUE(script->errors.isEmpty());

    const QString missing = QString::fromStdString((folder.path() / "no-such-dir" / "plot.png").string());
    script->saveFiles << missing;
    w->saveImage();
    ASSERT_EQ(script->errors.size(), 1);
    EXPECT_TRUE(script->errors[0].contains(missing)) << script->errors[0].toStdString();
    EXPECT_FALSE(std::filesystem::exists((folder.path() / "no-such-dir").string()));

    script->saveFiles << "";  // cancelled
    w->saveImage();
    EXPECT_EQ(script->errors.size(), 1);
}

TEST_F(CircularPlotTest, SingleNodeAndAllZeroMatricesDrawNoEdges) {
    make({Eigen::MatrixXf::Zero(1, 1)}, names(1));
    EXPECT_EQ(widget()->labels().size(), 1);
    EXPECT_TRUE(widget()->edgeSeries().isEmpty());
    make({Eigen::MatrixXf::Zero(5, 5)}, names(5));
    EXPECT_EQ(widget()->labels().size(), 5);
    EXPECT_TRUE(widget()->edgeSeries().isEmpty());
    window->displayRangeChanged(100, 900);
}

TEST(CircularPlotFromWindow, OpensOnceDrivesOptionsAndDisablesThemOnClose) {
    TempFolder folder;
    const auto object = graph_test::openSubjectWindow(folder, "s", {kFour});
    ConnectivityObjectUI* ui = object->window();
    const ConnectivityForm& f = ui->form();
    EXPECT_FALSE(f.groupbox_CircularPlot->isEnabled());
    f.pb_CircularPlotConnMtx->click();
    CircularPlot* plot = ui->circularPlot();
    ASSERT_NE(plot, nullptr);
    EXPECT_TRUE(plot->isVisible());
    EXPECT_TRUE(f.groupbox_CircularPlot->isEnabled());
    EXPECT_EQ(plot->plotWidget()->labels()[0]->text().left(1), "N");

    f.widget_CircPlot_Spanner->setSpan(1, 1000);
    EXPECT_EQ(f.lbl_Spanner_Low->text(), "0.001");
    EXPECT_FALSE(plot->plotWidget()->edge(0, 1)->isVisible());
    EXPECT_TRUE(plot->plotWidget()->edge(0, 2)->isVisible());
    f.sBox_CircPlot_ThicknessMultiplier->setValue(10.0);
    EXPECT_EQ(plot->plotWidget()->edge(0, 2)->pen().width(), 5);
    f.chkBox_CircPlot_ConnColors->setChecked(true);
    EXPECT_EQ(plot->plotWidget()->edge(0, 2)->pen().color(), QColor::fromRgbF(1.0, 0.5, 0.0));
    f.chkBox_CircPlot_ShowLabels->setChecked(false);
    EXPECT_FALSE(plot->plotWidget()->labels()[0]->isVisible());

    plot->close();
    EXPECT_FALSE(f.groupbox_CircularPlot->isEnabled());
    f.pb_CircularPlotConnMtx->click();
    EXPECT_EQ(ui->circularPlot(), plot) << "closing hides, the next press shows the same window";
    EXPECT_TRUE(f.groupbox_CircularPlot->isEnabled());
}

TEST_F(CircularPlotTest, FigureExportsAsSvgAndPngWithEveryLabel) {
    const QStringList labels{"R_DLPFC", "L_Insula", "Precuneus", "ACC_left"};
    CircularPlot* w = make({toEigen(kFour)}, labels);
    graph_test::expectFigureExports(w, w->figure(), folder.path(), labels);

    // The menu entry picks the format by the file's extension.
    const QString svg = QString::fromStdString((folder.path() / "menu.svg").string());
    const QString png = QString::fromStdString((folder.path() / "menu.png").string());
    script->saveFiles << svg << png;
    w->figureAction()->trigger();
    w->figureAction()->trigger();
    EXPECT_EQ(script->saveDialogs.last(), "Save as...|SVG (*.svg);;PNG (*.png)|svg");
    EXPECT_TRUE(QSvgRenderer(svg).isValid());
    const QImage image(png, "PNG");
    EXPECT_EQ(image.size(), QSize(2400, 2400));
    EXPECT_NEAR(image.dotsPerMeterX(), 300 / 0.0254, 1.0);
    EXPECT_TRUE(script->errors.isEmpty());

    const QString missing = QString::fromStdString((folder.path() / "gone" / "f.svg").string());
    script->saveFiles << missing;
    w->saveFigure();
    ASSERT_EQ(script->errors.size(), 1);
    EXPECT_TRUE(script->errors[0].contains(missing));
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "gone"));
}
