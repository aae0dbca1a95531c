// The matrix view: widgets as built, table texts and colours, the legend,
// conditions and triggers, picking values, the histogram, the options and
// the CSV and image exports.
#include "graph/ui/connectivity_form.h"
#include "graph/ui/connectivity_object.h"
#include "graph/ui/connectivity_object_ui.h"
#include "graph/ui/views/matrix_widgets.h"
#include "graph/widgets/my_label.h"
#include "graph/ui/views/view_matrix.h"

#include "manifest_fixture.h"
#include "ui_fixture.h"
#include "figure_checks.h"
#include "scripted_prompts.h"

#include <QFontMetrics>
#include <QAction>
#include <QBarSet>
#include <QCheckBox>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

Eigen::MatrixXf sample() {
    Eigen::MatrixXf m(3, 3);
    m << 0, 0.5f, -0.25f, 0.75f, 0, 1.0f, -0.25f, 1.0f, 0;
    return m;
}

class ViewMatrixTest : public ::testing::Test {
protected:
    ViewMatrix* make(std::vector<Eigen::MatrixXf> matrices,
                     const std::vector<ConditionRecord>& conditions = {}, bool protocol = false) {
        view = std::make_unique<ViewMatrix>();
        view->setPrompts(scriptedPrompts(script));
        view->setMatrices(std::move(matrices));
        view->setNodeNames({"A", "B", "C"});
        if (protocol) view->setConditions(conditions);
        view->build();
        return view.get();
    }
    QString text(int r, int c) const { return view->table()->item(r, c)->text(); }
    std::string readFile(const std::filesystem::path& p) const {
        std::ifstream in(p, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }

    std::unique_ptr<ViewMatrix> view;
    std::shared_ptr<PromptScript> script = std::make_shared<PromptScript>();
    TempFolder folder;
};

}  // namespace

TEST_F(ViewMatrixTest, WidgetsAsBuilt) {
    ViewMatrix* v = make({sample()});
    EXPECT_EQ(v->windowTitle(), "Browse Connectivity Map");
    EXPECT_EQ(v->minimumHeight(), 620);
    for (const char* name : {"widget_Conditions", "gridLayout_Conditions", "tableMatrix", "widget_statusbar",
                             "lbl_Color", "lbl_Value", "groupBox_Visualization", "checkBox", "checkBox_2",
                             "groupBox_Histogram", "histogram", "lbl_Hist", "sbox_HistBins",
                             "cbox_HistNormalize", "groupbox_Overview", "graphicsView", "groupbox_Legend"})
        EXPECT_NE(v->findChild<QObject*>(name), nullptr) << name;
    EXPECT_EQ(v->table()->styleSheet(), "background-color { #ffffff; }");
    EXPECT_EQ(v->symmetricBox()->text(), "Plot symmetric matrix");
    EXPECT_EQ(v->showValuesBox()->text(), "Show values");
    EXPECT_EQ(v->binsBox()->minimum(), 10);
    EXPECT_EQ(v->binsBox()->suffix(), " bins");
    EXPECT_TRUE(v->binsBox()->isEnabled());
    EXPECT_EQ(v->normalizeBox()->text(), "normalize");
    EXPECT_TRUE(v->normalizeBox()->isEnabled());
    auto* none = qobject_cast<QLabel*>(v->conditionsGrid()->itemAtPosition(0, 0)->widget());
    ASSERT_NE(none, nullptr);
    EXPECT_EQ(none->text(), "No protocol loaded.");
    EXPECT_GE(v->table()->verticalHeader()->sectionSize(0), 15);
}

// The first row header of a view of sample() with the given names, as drawn.
QImage rowHeaders(const QStringList& names) {
    ViewMatrix view;
    view.setPrompts(scriptedPrompts(std::make_shared<PromptScript>()));
    view.setMatrices({sample()});
    view.setNodeNames(names);
    view.build();
    view.resize(1100, 720);
    view.show();
    QHeaderView* rows = view.table()->verticalHeader();
    return rows->grab(QRect(0, 0, rows->width(), rows->sectionSize(0))).toImage();
}

TEST_F(ViewMatrixTest, RowsAreTallEnoughForUnderscoresInTheNames) {
    make({sample()});
    view->setNodeNames({"R_Putamen", "L_SMA", "R_DLPFC"});
    view->build();
    view->show();
    QHeaderView* rows = view->table()->verticalHeader();
    const QFontMetrics metrics(rows->font());
    // The underscore sits in the descent: a row shorter than the text's
    // line (with the header's margins) cuts it off.
    for (int r = 0; r < 3; ++r) {
        EXPECT_GE(rows->sectionSize(r), metrics.height()) << r;
        EXPECT_GE(rows->sectionSize(r), metrics.ascent() + metrics.descent() + 1) << r;
    }
    // Drawn, a lone underscore must not look like an empty name (the
    // longest name, the same in both, sets the header's width).
    const QImage underscored = rowHeaders({"_", "L_SMA", "R_Putamen"});
    const QImage empty = rowHeaders({"", "L_SMA", "R_Putamen"});
    ASSERT_EQ(underscored.size(), empty.size());
    EXPECT_NE(underscored, empty) << "the underscores are cut off";
}

TEST_F(ViewMatrixTest, TableTextsHeadersAndColours) {
    ViewMatrix* v = make({sample()});
    ASSERT_EQ(v->table()->rowCount(), 3);
    ASSERT_EQ(v->table()->columnCount(), 3);
    EXPECT_EQ(v->table()->horizontalHeaderItem(1)->text(), "B");
    EXPECT_EQ(v->table()->verticalHeaderItem(2)->text(), "C");
    EXPECT_EQ(text(0, 1), "0.5");
    EXPECT_EQ(text(1, 0), "0.75");
    EXPECT_EQ(text(0, 2), "-0.25");
    // Weight colours: 0.5 -> (1, 0.5, 0), -0.25 -> (0, 1, 1), 0 -> (0.5, 1, 0.5).
    EXPECT_EQ(v->table()->item(0, 1)->background().color(), QColor::fromRgbF(1.0, 0.5, 0.0));
    EXPECT_EQ(v->table()->item(0, 2)->background().color(), QColor::fromRgbF(0.0, 1.0, 1.0));
    EXPECT_EQ(v->table()->item(0, 0)->background().color(), QColor::fromRgbF(0.5, 1.0, 0.5));
    EXPECT_EQ(v->overview()->cellCount(), 9);
    EXPECT_EQ(v->overview()->cell(0, 1)->brush().color(), QColor::fromRgbF(1.0, 0.5, 0.0));

    v->showValuesBox()->setChecked(false);
    EXPECT_EQ(text(0, 1), "");
    v->symmetricBox()->setChecked(true);
    EXPECT_EQ(v->table()->item(1, 0)->data(Qt::UserRole).toString(), "0.5") << "upper triangle mirrored";
    v->showValuesBox()->setChecked(true);
    EXPECT_EQ(text(1, 0), "0.5");
    v->symmetricBox()->setChecked(false);
    EXPECT_EQ(text(1, 0), "0.75");
}

TEST_F(ViewMatrixTest, PickingAndLeavingTheTable) {
    ViewMatrix* v = make({sample()});
    emit v->table()->cellEntered(0, 1);
    EXPECT_EQ(v->colorLabel()->styleSheet(), "background: rgb(255, 128, 0);");
    EXPECT_EQ(v->valueLabel()->text(), "0.5");
    emit v->table()->mouseLeave();
    EXPECT_EQ(v->colorLabel()->styleSheet(), "");
    EXPECT_EQ(v->valueLabel()->text(), "");
}

TEST_F(ViewMatrixTest, LegendSpansTheShownMatrixAndCollapsesForEqualValues) {
    ViewMatrix* v = make({sample()});
    // Both ends of the bar are the smallest and largest value shown.
    EXPECT_EQ(v->legendBox()->findChild<QLabel*>("legend_low")->text(), "-0.25");
    EXPECT_EQ(v->legendBox()->findChild<QLabel*>("legend_high")->text(), "1");
    const auto swatch = [&](int i) {
        return v->legendBox()
            ->findChild<QLabel*>(QStringLiteral("legend_%1").arg(i))
            ->property("color")
            .value<QColor>();
    };
    // -0.25 -> (0, 1, 1); 1 -> (0.5, 0, 0).
    EXPECT_EQ(swatch(0), QColor::fromRgbF(0.0, 1.0, 1.0));
    EXPECT_EQ(swatch(9), QColor::fromRgbF(0.5, 0.0, 0.0));
    EXPECT_EQ(v->legendBox()->findChildren<QLabel*>().size(), 12) << "ten swatches and two values";
    EXPECT_EQ(v->legendBox()->findChild<QLabel*>("legend_low")->styleSheet(), "font-size: 8px;");

    make({Eigen::MatrixXf::Constant(3, 3, 0.4f)});
    const QColor first = view->legendBox()->findChild<QLabel*>("legend_0")->property("color").value<QColor>();
    for (int i = 1; i < 10; ++i)
        EXPECT_EQ(view->legendBox()
                      ->findChild<QLabel*>(QStringLiteral("legend_%1").arg(i))
                      ->property("color")
                      .value<QColor>(),
                  first);
}

TEST_F(ViewMatrixTest, ConditionsBrowseMatricesTriggersDoNot) {
    Eigen::MatrixXf second = sample();
    second(0, 1) = 0.125f;
    const std::vector<ConditionRecord> conditions = {
        {0, "Rest", 1}, {12, "Cue", 2}, {30, "Tap", 1}, {40, "Extra", 1}};
    ViewMatrix* v = make({sample(), sample(), second}, conditions, true);
    auto labelAt = [&](int row) {
        return qobject_cast<MyLabel*>(v->conditionsGrid()->itemAtPosition(row, 1)->widget());
    };
    EXPECT_EQ(labelAt(0)->text(), "Rest");
    EXPECT_EQ(labelAt(1)->text(), "Trigger: Cue");
    EXPECT_FALSE(labelAt(1)->isEnabled());
    EXPECT_FALSE(v->conditionsGrid()->itemAtPosition(1, 0)->widget()->isEnabled());
    auto* time = qobject_cast<QLabel*>(v->conditionsGrid()->itemAtPosition(2, 2)->widget());
    EXPECT_EQ(time->text(), "30");
    EXPECT_EQ(time->toolTip(), "in TR");

    emit labelAt(1)->clicked();  // not connected
    EXPECT_EQ(v->shownIndex(), 0);
    emit labelAt(2)->clicked();
    EXPECT_EQ(v->shownIndex(), 2);
    EXPECT_EQ(text(0, 1), "0.125");
    // The key follows the matrix on show.
    Eigen::MatrixXf third = sample();
    third(1, 2) = 2.5f;
    ViewMatrix* w = make({sample(), third}, {{0, "Rest", 1}, {5, "Tap", 1}}, true);
    emit qobject_cast<MyLabel*>(w->conditionsGrid()->itemAtPosition(1, 1)->widget())->clicked();
    EXPECT_EQ(w->legendBox()->findChild<QLabel*>("legend_high")->text(), "2.5");
    EXPECT_EQ(w->legendBox()->findChildren<QLabel*>().size(), 12) << "the old key is gone";
    v = make({sample(), sample(), second}, conditions, true);
    emit labelAt(2)->clicked();
    // Colour box of a condition reacts too.
    emit qobject_cast<MyLabel*>(v->conditionsGrid()->itemAtPosition(0, 0)->widget())->clicked();
    EXPECT_EQ(v->shownIndex(), 0);
    // A condition without a matrix says so and keeps the table.
    emit labelAt(3)->clicked();
    EXPECT_EQ(v->shownIndex(), 0);
    EXPECT_EQ(v->valueLabel()->text(), "No matrix for this condition.");
}

TEST_F(ViewMatrixTest, HistogramOfEachPairOnceFollowsItsControls) {
    ViewMatrix* v = make({sample()});
    // Above the diagonal: 0.5, -0.25, 1 over -0.25 .. 1 (bins of 0.125); the
    // 0.75 below it is not a pair of its own.
    QtCharts::QBarSet* bars = v->histogram()->bars();
    ASSERT_EQ(bars->count(), 10);
    const double expected[10] = {1, 0, 0, 0, 0, 0, 1, 0, 0, 1};
    for (int i = 0; i < 10; ++i) EXPECT_EQ(bars->at(i), expected[i]) << i;
    EXPECT_EQ(v->histogramLabel()->text(), "3 values, -0.25 to 1");
    v->normalizeBox()->setChecked(true);
    EXPECT_DOUBLE_EQ(bars->at(0), 1.0 / 3.0);
    v->binsBox()->setValue(20);
    EXPECT_EQ(bars->count(), 20);
    EXPECT_EQ(v->histogram()->categories().first(), "-0.25");
}

TEST_F(ViewMatrixTest, CsvExportWritesTheShownMatrixWithNames) {
    ViewMatrix* v = make({sample()});
    const auto path = folder.path() / "m.csv";
    script->saveFiles << QString::fromStdString(path.string());
    v->overview()->contextActions()[1]->trigger();
    EXPECT_EQ(script->saveDialogs, QStringList({"Save as...|Comma-separated values (*.csv)|csv"}));
    EXPECT_EQ(readFile(path), ",A,B,C\nA,0,0.5,-0.25\nB,0.75,0,1\nC,-0.25,1,0\n");
    v->symmetricBox()->setChecked(true);
    script->saveFiles << QString::fromStdString(path.string());
    v->overview()->saveCSV();
    EXPECT_EQ(readFile(path), ",A,B,C\nA,0,0.5,-0.25\nB,0.5,0,1\nC,-0.25,1,0\n");

    const auto missing = folder.path() / "gone" / "m.csv";
    script->saveFiles << QString::fromStdString(missing.string());
    v->overview()->saveCSV();
    ASSERT_EQ(script->errors.size(), 1);
    EXPECT_TRUE(script->errors[0].contains(QString::fromStdString(missing.string())));
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "gone"));
}

TEST_F(ViewMatrixTest, ImageExportAndPressingTheOverview) {
    ViewMatrix* v = make({sample()});
    const auto path = folder.path() / "o.png";
    script->saveFiles << QString::fromStdString(path.string());
    v->overview()->contextActions()[0]->trigger();
    QImage image(QString::fromStdString(path.string()), "PNG");
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), v->overview()->grab().size());
    emit v->overview()->cellPressed(2, 1);
    EXPECT_EQ(v->table()->currentRow(), 2);
    EXPECT_EQ(v->table()->currentColumn(), 1);
}

TEST(ViewMatrixFromWindow, VisualizeTwiceShowsTheSameWindow) {
    TempFolder folder;
    const auto object = graph_test::openSubjectWindow(folder, "s", {graph_test::exampleMatrix(4, 2)});
    object->window()->form().pb_PlotConnMtx->click();
    ViewMatrix* first = object->window()->matrixView();
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(first->table()->horizontalHeaderItem(0)->text(), "N0");
    first->close();
    object->window()->form().pb_PlotConnMtx->click();
    EXPECT_EQ(object->window()->matrixView(), first);
    EXPECT_TRUE(first->isVisible());
}

TEST_F(ViewMatrixTest, OneNodeAndAllZeroMatricesShowWithoutFailing) {
    Eigen::MatrixXf one(1, 1);
    one << 0.5f;
    view = std::make_unique<ViewMatrix>();
    view->setMatrices({one});
    view->setNodeNames({"A"});
    view->build();
    EXPECT_EQ(view->table()->rowCount(), 1);
    EXPECT_EQ(text(0, 0), "0.5");
    EXPECT_EQ(view->histogramLabel()->text(), "No values off the diagonal.");
    EXPECT_EQ(view->histogram()->bars()->sum(), 0.0);

    ViewMatrix* v = make({Eigen::MatrixXf::Zero(3, 3)});
    EXPECT_EQ(v->histogramLabel()->text(), "3 values, 0 to 0");
    EXPECT_EQ(v->histogram()->bars()->at(0), 3.0);
    EXPECT_EQ(v->legendBox()->findChild<QLabel*>("legend_high")->text(), "0");

    ViewMatrix* empty = make({});
    EXPECT_EQ(empty->table()->rowCount(), 0);
    EXPECT_EQ(empty->overview()->cellCount(), 0);
}

TEST_F(ViewMatrixTest, OverviewFigureExportsWithTheNodeNames) {
    const QStringList labels{"R_DLPFC", "L_Insula", "Precuneus"};
    view = std::make_unique<ViewMatrix>();
    view->setPrompts(scriptedPrompts(script));
    view->setMatrices({sample()});
    view->setNodeNames(labels);
    view->build();
    view->show();
    graph_test::expectFigureExports(view.get(), view->overview()->figure(), folder.path(), labels);
    // The colour key under the grid names the smallest and largest value.
    graph_test::expectSvgFigure(view->overview()->figure(), folder.path() / "key.svg", {"-0.25", "1"});

    const QString path = QString::fromStdString((folder.path() / "menu.png").string());
    script->saveFiles << path;
    view->overview()->figureAction()->trigger();
    EXPECT_EQ(script->saveDialogs.last(), "Save as...|SVG (*.svg);;PNG (*.png)|svg");
    EXPECT_EQ(QImage(path, "PNG").size(), QSize(2400, 2400));
}

TEST_F(ViewMatrixTest, EveryColumnHoldsItsWidestValueWhole) {
    Eigen::MatrixXf m(3, 3);
    m << 0, -0.123457f, 1e-9f, 0.5f, 0, -1234.56f, 1, 0.25f, 0;
    ViewMatrix* v = make({m});
    const QFontMetrics metrics(v->table()->font());
    for (int c = 0; c < 3; ++c) {
        const int width = v->table()->horizontalHeader()->sectionSize(c);
        for (int r = 0; r < 3; ++r)
            EXPECT_GE(width, metrics.horizontalAdvance(text(r, c)) + 4) << text(r, c).toStdString();
    }
    v->showValuesBox()->setChecked(false);
    EXPECT_EQ(v->table()->horizontalHeader()->sectionSize(0), v->table()->verticalHeader()->sectionSize(0))
        << "small squares without values";
}
