// Line and time-series plots: series and pens, legend rows, axes, show/hide,
// highlighting, and the exact CSV bytes of both exports.
#include "graph/ui/connectivity_form.h"
#include "graph/ui/connectivity_object.h"
#include "graph/ui/connectivity_object_ui.h"
#include "graph/ui/graph_features_model.h"
#include "graph/ui/views/line_plot.h"
#include "graph/widgets/my_label.h"

#include "manifest_fixture.h"
#include "ui_fixture.h"
#include "figure_checks.h"
#include "scripted_prompts.h"

#include <QAction>
#include <QApplication>
#include <QCategoryAxis>
#include <QGraphicsScene>
#include <QGraphicsTextItem>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QDockWidget>
#include <QGridLayout>
#include <QImage>
#include <QLineSeries>
#include <QPushButton>
#include <QTableView>
#include <QValueAxis>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

using namespace QtCharts;

namespace {

std::string readFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

QList<float> ramp(int n) {
    QList<float> v;
    for (int i = 0; i < n; ++i) v << float(i) / 4.0f;
    return v;
}

}  // namespace

TEST(LinePlotTest, WindowSeriesAndLegendRows) {
    LinePlot plot("Degree", true);
    plot.addSeries({0.5f, 0.25f, 0.125f}, "Rest", 1);
    plot.addSeries({1.0f, 2.0f, 3.0f}, "Cue", 2);
    plot.addSeries({3.0f, 2.0f, 1.0f});
    plot.finish({"V1", "V2", "V3"});
    EXPECT_EQ(plot.objectName(), "LinePlot");
    EXPECT_EQ(plot.windowTitle(), "Plot: Degree");
    EXPECT_EQ(plot.chart()->title(), "<b>Degree</b>");
    EXPECT_EQ(plot.chartView()->contextMenuPolicy(), Qt::CustomContextMenu);
    EXPECT_EQ(plot.findChild<QDockWidget*>("dw_Legend")->windowTitle(), "Legend");
    EXPECT_EQ(plot.findChild<QDockWidget*>("dw_Sources")->windowTitle(), "Sources");
    EXPECT_NE(plot.findChild<QObject*>("gridLayoutAll"), nullptr);
    EXPECT_EQ(plot.findChild<QPushButton*>("btn_Show")->text(), "Show");
    EXPECT_EQ(plot.findChild<QPushButton*>("btn_Hide")->text(), "Hide");

    ASSERT_EQ(plot.series().size(), 3);
    EXPECT_EQ(plot.series()[2]->name(), "Series 3");
    EXPECT_EQ(plot.series()[0]->at(2), QPointF(2, 0.125));
    EXPECT_TRUE(plot.series()[0]->pointsVisible());
    const QPen pen = plot.series()[0]->property("default-pen").value<QPen>();
    const QPen faded = plot.series()[0]->property("fadein-pen").value<QPen>();
    EXPECT_EQ(pen.width(), 2);
    EXPECT_EQ(faded.width(), 2);
    EXPECT_EQ(faded.color().rgb(), pen.color().rgb());
    EXPECT_NEAR(faded.color().alphaF(), 0.25, 0.01);

    auto* box = plot.findChild<MyLabel*>("Colorbox0");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->styleSheet(), QStringLiteral("background-color: rgb(%1, %2, %3);")
                                     .arg(pen.color().red())
                                     .arg(pen.color().green())
                                     .arg(pen.color().blue()));
    EXPECT_EQ(plot.nameLabel(0)->text(), "Rest");
    EXPECT_EQ(plot.nameLabel(1)->text(), "Trigger: Cue");
    EXPECT_FALSE(plot.nameLabel(1)->isEnabled());
    EXPECT_TRUE(plot.checkBox(1)->isHidden());
    EXPECT_TRUE(plot.checkBox(0)->isChecked());
    EXPECT_EQ(plot.checkBox(0)->property("ts_label").toString(), "Rest");

    auto* axis = qobject_cast<QCategoryAxis*>(plot.chart()->axes(Qt::Horizontal).first());
    ASSERT_NE(axis, nullptr);
    EXPECT_EQ(plot.axisLabels(), QStringList({"V1", "V2", "V3"}));
    EXPECT_EQ(axis->titleText(), "VOIs");
    EXPECT_EQ(axis->labelsAngle(), 90);
    EXPECT_EQ(plot.chart()->axes(Qt::Vertical).first()->titleText(), "Degree");
    EXPECT_FALSE(plot.chart()->legend()->isVisible());
    QStringList items;
    for (int i = 0; i < plot.conditionsBox()->count(); ++i) items << plot.conditionsBox()->itemText(i);
    EXPECT_EQ(items, QStringList({"All", "Rest", "Cue", "Series 3"}));
    EXPECT_TRUE(plot.conditionsBox()->isEnabled());
}

TEST(LinePlotTest, ValueAxisTicksWithoutLabelsAndControlsOffWithoutProtocol) {
    for (const auto& [points, ticks] : {std::pair{60, 10}, std::pair{40, 40}, std::pair{50, 50}}) {
        LinePlot plot("Strength", false);
        plot.addSeries(ramp(points));
        plot.finish();
        auto* axis = qobject_cast<QValueAxis*>(plot.chart()->axes(Qt::Horizontal).first());
        ASSERT_NE(axis, nullptr);
        EXPECT_EQ(axis->tickCount(), ticks) << points;
        EXPECT_EQ(axis->labelFormat(), "%i");
        EXPECT_EQ(axis->titleText(), "Voxels");
        EXPECT_FALSE(plot.conditionsBox()->isEnabled());
        EXPECT_FALSE(plot.findChild<QPushButton*>("btn_Show")->isEnabled());
        EXPECT_FALSE(plot.findChild<QPushButton*>("btn_Hide")->isEnabled());
    }
}

TEST(LinePlotTest, ShowHideToggleAndHighlight) {
    LinePlot plot("Degree", true);
    plot.addSeries({1, 2}, "A");
    plot.addSeries({2, 1}, "B");
    plot.addSeries({0, 0}, "C");
    plot.finish();
    plot.conditionsBox()->setCurrentIndex(0);
    plot.conditionsHide();
    for (int k = 0; k < 3; ++k) {
        EXPECT_FALSE(plot.series()[k]->isVisible());
        EXPECT_FALSE(plot.checkBox(k)->isChecked());
    }
    plot.conditionsBox()->setCurrentIndex(2);  // "B"
    plot.conditionsShow();
    EXPECT_FALSE(plot.series()[0]->isVisible());
    EXPECT_TRUE(plot.series()[1]->isVisible());
    EXPECT_TRUE(plot.checkBox(1)->isChecked());
    plot.checkBox(1)->setChecked(false);
    EXPECT_FALSE(plot.series()[1]->isVisible());
    plot.checkBox(0)->setChecked(true);
    EXPECT_TRUE(plot.series()[0]->isVisible());
    plot.conditionsBox()->setCurrentIndex(0);
    plot.conditionsShow();

    emit plot.nameLabel(1)->hoverLabel(true);
    EXPECT_EQ(plot.series()[1]->pen(), plot.series()[1]->property("default-pen").value<QPen>());
    EXPECT_EQ(plot.series()[0]->pen(), plot.series()[0]->property("fadein-pen").value<QPen>());
    EXPECT_EQ(plot.series()[2]->pen(), plot.series()[2]->property("fadein-pen").value<QPen>());
    emit plot.nameLabel(1)->hoverLabel(false);
    for (QLineSeries* s : plot.series()) EXPECT_EQ(s->pen(), s->property("default-pen").value<QPen>());
}

TEST(LinePlotTest, CsvExportsAndImage) {
    TempFolder folder;
    auto script = std::make_shared<PromptScript>();
    LinePlot plot("Degree", true);
    plot.setPrompts(scriptedPrompts(script));
    plot.addSeries({0.5f, 0.25f, 0.125f}, "Rest, eyes open");
    plot.addSeries({1.0f / 3.0f, 2e-7f, 1234567.0f}, "Tap");
    plot.finish({"a", "b", "c"});
    ASSERT_EQ(plot.contextActions().size(), 3);
    EXPECT_EQ(plot.contextActions()[0]->text(), "Export to image...");
    EXPECT_EQ(plot.contextActions()[1]->text(), "Export to CSV...");
    EXPECT_EQ(plot.contextActions()[2]->text(), "Export all series to CSV...");

    const auto first = folder.path() / "first.csv";
    const auto all = folder.path() / "all.csv";
    script->saveFiles << QString::fromStdString(first.string()) << QString::fromStdString(all.string());
    plot.contextActions()[1]->trigger();
    plot.contextActions()[2]->trigger();
    EXPECT_EQ(readFile(first), "0.5,0.25,0.125");
    EXPECT_EQ(readFile(all), "\"Rest, eyes open\",0.5,0.25,0.125\nTap,0.333333,2e-07,1.23457e+06\n");
    EXPECT_EQ(script->saveDialogs[0], "Save as...|Comma-separated values (*.csv)|csv");

    const auto png = folder.path() / "plot.png";
    script->saveFiles << QString::fromStdString(png.string());
    plot.contextActions()[0]->trigger();
    QImage image(QString::fromStdString(png.string()), "PNG");
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), plot.chartView()->grab().size());

    const auto missing = folder.path() / "nope" / "x.csv";
    script->saveFiles << QString::fromStdString(missing.string());
    plot.saveCSV();
    ASSERT_EQ(script->errors.size(), 1);
    EXPECT_TRUE(script->errors[0].contains(QString::fromStdString(missing.string())));
    script->saveFiles << "";
    plot.saveCSV();
    EXPECT_EQ(script->errors.size(), 1);
}

TEST(LinePlotTest, TimeseriesPlotOfConditions) {
    TimeseriesLinePlot plot("Global Efficiency", true);
    plot.setValues({0.5f, 0.75f, 0.25f}, "Global Efficiency");
    plot.setConditions({"Rest", "Cue", "Tap"});
    EXPECT_EQ(plot.objectName(), "TimeseriesLineplot");
    EXPECT_EQ(plot.windowTitle(), "Plot: Global Efficiency");
    ASSERT_EQ(plot.series().size(), 1);
    EXPECT_EQ(plot.series()[0]->name(), "Global Efficiency");
    EXPECT_EQ(plot.series()[0]->at(1), QPointF(1, 0.75));
    auto* axis = qobject_cast<QCategoryAxis*>(plot.chart()->axes(Qt::Horizontal).first());
    ASSERT_NE(axis, nullptr);
    EXPECT_EQ(plot.axisLabels(), QStringList({"Rest", "Cue", "Tap"}));
    EXPECT_EQ(axis->titleText(), "Conditions");
    EXPECT_EQ(plot.chart()->axes(Qt::Vertical).first()->titleText(), "Global Efficiency");
    ASSERT_EQ(plot.contextActions().size(), 1);
    EXPECT_EQ(plot.contextActions()[0]->text(), "Export to image...");
    // One line, shown and hidden by its check box: no empty chooser of
    // conditions and no buttons for it.
    EXPECT_TRUE(plot.conditionsBox()->isHidden());
    EXPECT_TRUE(plot.findChild<QPushButton*>("btn_Show")->isHidden());
    EXPECT_TRUE(plot.findChild<QPushButton*>("btn_Hide")->isHidden());
    EXPECT_FALSE(plot.checkBox(0)->isHidden());
}

TEST(LinePlotTest, TenSeriesTakeTenDistinctColours) {
    const QList<QColor> palette = LinePlot::palette();
    ASSERT_GE(palette.size(), 10);
    LinePlot plot("Strength", true);
    for (int k = 0; k < 11; ++k) plot.addSeries({float(k), float(k + 1)}, QStringLiteral("C%1").arg(k));
    plot.finish({"A", "B"});
    QList<QRgb> seen;
    for (int k = 0; k < 10; ++k) {
        const QColor colour = plot.series()[k]->pen().color();
        EXPECT_EQ(colour.rgb(), palette[k].rgb()) << k;
        EXPECT_FALSE(seen.contains(colour.rgb())) << "series " << k << " repeats a colour";
        seen << colour.rgb();
        // The legend's colour box shows the same colour.
        auto* box = plot.findChild<MyLabel*>(QStringLiteral("Colorbox%1").arg(k));
        ASSERT_NE(box, nullptr);
        EXPECT_TRUE(box->styleSheet().contains(
            QStringLiteral("rgb(%1, %2, %3)").arg(colour.red()).arg(colour.green()).arg(colour.blue())));
    }
    // The palette's colours are far apart, not shades of each other.
    for (int a = 0; a < palette.size(); ++a)
        for (int b = a + 1; b < palette.size(); ++b) {
            const int distance = std::abs(palette[a].red() - palette[b].red()) +
                                 std::abs(palette[a].green() - palette[b].green()) +
                                 std::abs(palette[a].blue() - palette[b].blue());
            EXPECT_GT(distance, 60) << a << " and " << b;
        }
    EXPECT_EQ(plot.series()[10]->pen().color().rgb(), palette[10 % palette.size()].rgb());
}

TEST(LinePlotTest, AxisLabelStepFitsTheNamesAlongTheAxis) {
    EXPECT_EQ(LinePlot::axisLabelStep(30, 900, 25), 1);    // 31 slots of 25 in 900
    EXPECT_EQ(LinePlot::axisLabelStep(30, 600, 25), 2);    // 16 slots of 25 = 400
    EXPECT_EQ(LinePlot::axisLabelStep(30, 300, 25), 3);    // 11 slots = 275
    EXPECT_EQ(LinePlot::axisLabelStep(200, 300, 25), 19);  // 11 names and one slot
    EXPECT_EQ(LinePlot::axisLabelStep(5, 10, 25), 5);      // only the first name
    EXPECT_EQ(LinePlot::axisLabelStep(1, 10, 25), 1);
    EXPECT_EQ(LinePlot::axisLabelStep(30, 0, 25), 1);  // not laid out yet
}

TEST(LinePlotTest, ThirtyNodeNamesAreReadableNotEllipses) {
    LinePlot plot("Strength", true);
    QStringList names;
    QList<float> values;
    for (int i = 0; i < 30; ++i) {
        names << QStringLiteral("N%1").arg(i, 2, 10, QLatin1Char('0'));
        values << float(i);
    }
    for (int k = 0; k < 7; ++k) plot.addSeries(values, QStringLiteral("C%1").arg(k));
    plot.finish(names);
    plot.resize(900, 560);
    plot.show();
    QApplication::processEvents();

    const QStringList shown = plot.axisLabels();
    ASSERT_GE(shown.size(), 2);
    EXPECT_EQ(shown.first(), "N00");
    // Every shown name is drawn whole: no label of the chart is cut to an
    // ellipsis, and each shown name is in the scene as it is.
    QStringList drawn;
    for (QGraphicsItem* item : plot.chartView()->scene()->items()) {
        auto* text = dynamic_cast<QGraphicsTextItem*>(item);
        if (!text || !text->isVisible()) continue;
        const QString plain = text->toPlainText();
        EXPECT_FALSE(plain.contains(QStringLiteral("...")) || plain.contains(QChar(0x2026)))
            << plain.toStdString();
        drawn << plain;
    }
    for (const QString& name : shown) EXPECT_TRUE(drawn.contains(name)) << name.toStdString();
    // Thinned evenly: the names shown are every k-th node.
    const int step = names.indexOf(shown.value(1));
    for (int i = 0; i < shown.size(); ++i) EXPECT_EQ(shown[i], names[i * step]);
    plot.close();
}

TEST(LinePlotTest, InspectFromTheWindowNamesSeriesByCondition) {
    TempFolder folder;
    const auto object = graph_test::openSubjectWindow(
        folder, "s", {graph_test::exampleMatrix(5, 1), graph_test::exampleMatrix(5, 2)}, {"Rest", "Tap"});
    ConnectivityObjectUI* w = object->window();
    w->computeButton("strength")->click();
    w->inspectButton("strength")->click();
    auto* plot = qobject_cast<LinePlot*>(w->lastFeaturePlot());
    ASSERT_NE(plot, nullptr);
    EXPECT_EQ(plot->windowTitle(), "Plot: Strength");
    ASSERT_EQ(plot->series().size(), 2);
    EXPECT_EQ(plot->series()[0]->name(), "Rest");
    EXPECT_EQ(plot->series()[1]->name(), "Tap");
    auto* axis = qobject_cast<QCategoryAxis*>(plot->chart()->axes(Qt::Horizontal).first());
    ASSERT_NE(axis, nullptr);
    EXPECT_EQ(plot->axisLabels().first(), "N0");
    plot->close();

    // Global efficiency per condition: a double click on its Result cell.
    w->computeButton("global_efficiency")->click();
    GraphFeaturesModel* model = w->graphFeaturesModel();
    const QModelIndex cell =
        model->index(model->rowOf("global_efficiency"), GraphFeaturesModel::ResultColumn);
    emit w->form().tblView_GraphFeatures->doubleClicked(cell);
    auto* timeseries = qobject_cast<TimeseriesLinePlot*>(w->lastFeaturePlot());
    ASSERT_NE(timeseries, nullptr);
    EXPECT_EQ(timeseries->windowTitle(), "Plot: Global Efficiency");
    EXPECT_EQ(timeseries->series()[0]->count(), 2);
    timeseries->close();
}

TEST(LinePlotTest, NegativeWeightsChoiceIsUsedAndNamed) {
    TempFolder folder;
    const graph_test::Rows signedRows = {{0, -0.5f, 0.25f}, {-0.5f, 0, 0.75f}, {0.25f, 0.75f, 0}};
    const auto object = graph_test::openSubjectWindow(folder, "s", {signedRows});
    ConnectivityObjectUI* w = object->window();
    QComboBox* choice = w->form().cbox_NegativeWeights;
    ASSERT_EQ(choice->count(), 2);
    EXPECT_EQ(choice->itemText(0), "positive weights only");
    EXPECT_EQ(choice->itemText(1), "absolute values");
    EXPECT_EQ(choice->currentIndex(), 0);
    GraphFeaturesModel* model = w->graphFeaturesModel();
    const int row = model->rowOf("strength");

    w->computeButton("strength")->click();
    EXPECT_EQ(model->result(row).value<FeatureSeries>()[0], (FeatureValues{0.25f, 0.75f, 1.0f}));
    EXPECT_EQ(w->inspectButton("strength")->toolTip(),
              "Computed with positive weights only (negatives set to 0).");

    choice->setCurrentIndex(1);
    w->computeButton("strength")->click();
    EXPECT_EQ(model->result(row).value<FeatureSeries>()[0], (FeatureValues{0.75f, 1.25f, 1.0f}));
    EXPECT_EQ(model->index(row, GraphFeaturesModel::ResultColumn).data(Qt::ToolTipRole).toString(),
              "Computed with absolute values.");
    w->inspectButton("strength")->click();
    auto* plot = qobject_cast<LinePlot*>(w->lastFeaturePlot());
    ASSERT_NE(plot, nullptr);
    EXPECT_EQ(plot->sourcesText(),
              "Measure: Strength\nSubject: sub\nMatrices: 1\nWeights: Computed with absolute values.");
    plot->close();
}

TEST(LinePlotTest, FigureExportsWithAxisNamesAndLegend) {
    TempFolder folder;
    LinePlot plot("Degree", true);
    plot.addSeries({0.5f, 0.25f, 0.125f}, "Rest");
    plot.addSeries({0.75f, 0.5f, 1.0f}, "Tapping");
    plot.finish({"R_DLPFC", "L_Insula", "Precuneus"});
    plot.show();
    graph_test::expectFigureExports(&plot, plot.figure(), folder.path(),
                                    {"R_DLPFC", "L_Insula", "Precuneus", "Rest", "Tapping"});
}
