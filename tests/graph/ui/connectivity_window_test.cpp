// The connectivity window: its widgets, the span slider labels, the feature
// table, computing measures (checked against linkmesh), the size question
// and the window's life.
#include "graph/ui/connectivity_form.h"
#include "graph/ui/connectivity_object.h"
#include "graph/ui/connectivity_object_ui.h"
#include "graph/ui/graph_features_model.h"
#include "graph/ui/nodes_model.h"
#include "graph/io/subject_data.h"
#include "graph/ui/views/line_plot.h"
#include "graph/widgets/qxtspanslider.h"

#include "linkmesh/linkmesh.h"
#include "manifest_fixture.h"
#include "ui_fixture.h"
#include "scripted_prompts.h"

#include <QApplication>
#include <QFontMetrics>
#include <QTest>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QLineSeries>

#include <gtest/gtest.h>

namespace {

class ConnectivityWindow : public ::testing::Test {
protected:
    // Loads a subject written to disk and opens its window.
    ConnectivityObjectUI* open(const std::vector<Rows>& matrices,
                               const std::vector<std::string>& conditions = {}) {
        object = graph_test::openSubjectWindow(folder, "s" + std::to_string(count++), matrices, conditions,
                                               script);
        return object->window();
    }

    GraphFeaturesModel* model() const { return object->window()->graphFeaturesModel(); }
    QVariant resultCell(const QString& key) const {
        return model()->index(model()->rowOf(key), GraphFeaturesModel::ResultColumn).data();
    }
    void compute(const QString& key) const { object->window()->computeButton(key)->click(); }

    TempFolder folder;
    int count = 0;
    std::shared_ptr<PromptScript> script = std::make_shared<PromptScript>();
    std::unique_ptr<ConnectivityObject> object;
};

Eigen::MatrixXf toEigen(const Rows& rows) {
    Eigen::MatrixXf m(rows.size(), rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i)
        for (std::size_t j = 0; j < rows.size(); ++j) m(i, j) = rows[i][j];
    return m;
}

}  // namespace

TEST_F(ConnectivityWindow, WidgetsStartAsDescribed) {
    ConnectivityObjectUI* w = open({graph_test::exampleMatrix(5, 1)});
    const ConnectivityForm& f = w->form();
    EXPECT_EQ(w->windowTitle(), "Dialog - sub");
    EXPECT_TRUE(w->testAttribute(Qt::WA_DeleteOnClose));
    ASSERT_EQ(f.tabWidget->count(), 4);
    EXPECT_EQ(f.tabWidget->currentIndex(), 0);
    EXPECT_EQ(f.tabWidget->tabText(0), "Visualization");
    EXPECT_EQ(f.tabWidget->tabText(1), "Graph Analysis");
    EXPECT_EQ(f.tabWidget->tabText(2), "Nodes");
    EXPECT_EQ(f.tabWidget->tabText(3), "Fliter");
    EXPECT_TRUE(f.label_15->text().endsWith("Display the connectivity matrix in a table format."));
    EXPECT_TRUE(
        f.label_16->text().endsWith("Visualize the connections in an intuitive and interactive plot"));
    EXPECT_TRUE(f.tabWidget->isTabEnabled(1));
    EXPECT_FALSE(f.tabWidget->isTabEnabled(2));
    EXPECT_FALSE(f.tabWidget->isTabEnabled(3));

    EXPECT_FALSE(f.groupbox_CircularPlot->isEnabled());
    EXPECT_EQ(f.groupbox_CircularPlot->title(), "Nodes && Edges");
    EXPECT_TRUE(f.chkBox_CircPlot_ShowLabels->isChecked());
    EXPECT_TRUE(f.chkBox_CircPlot_ConnWeights->isChecked());
    EXPECT_FALSE(f.chkBox_CircPlot_ConnColors->isChecked());
    EXPECT_EQ(f.sBox_CircPlot_NodesSize->minimum(), 1);
    EXPECT_EQ(f.sBox_CircPlot_NodesSize->value(), 10);
    EXPECT_EQ(f.dsBox_CircPlot_EdgesThickness->decimals(), 1);
    EXPECT_DOUBLE_EQ(f.dsBox_CircPlot_EdgesThickness->minimum(), 1.0);
    EXPECT_DOUBLE_EQ(f.dsBox_CircPlot_EdgesThickness->maximum(), 10.0);
    EXPECT_DOUBLE_EQ(f.dsBox_CircPlot_EdgesThickness->singleStep(), 0.5);
    EXPECT_DOUBLE_EQ(f.sBox_CircPlot_ThicknessMultiplier->minimum(), 0.01);
    EXPECT_DOUBLE_EQ(f.sBox_CircPlot_ThicknessMultiplier->value(), 5.0);
    EXPECT_FALSE(f.ckBox_UseFilteredMatrix->isEnabled());
    EXPECT_EQ(f.sBox_FilterPerc_Perc->value(), 85);
    EXPECT_EQ(f.sBox_FilterPerc_Perc->suffix(), "%");
    EXPECT_FALSE(f.groupBox->isChecked());
    EXPECT_TRUE(f.groupBox->isCheckable());

    QxtSpanSlider* spanner = f.widget_CircPlot_Spanner;
    EXPECT_EQ(spanner->orientation(), Qt::Horizontal);
    EXPECT_EQ(spanner->minimum(), 0);
    EXPECT_EQ(spanner->maximum(), 1000);
    EXPECT_EQ(spanner->lowerValue(), 0);
    EXPECT_EQ(spanner->upperValue(), 1000);
    EXPECT_EQ(f.lbl_Spanner_Low->text(), "0.0");
    EXPECT_EQ(f.lbl_Spanner_Upper->text(), "1.0");
}

TEST_F(ConnectivityWindow, SpanSliderDrivesTheRangeLabels) {
    const ConnectivityForm& f = open({graph_test::exampleMatrix(5, 1)})->form();
    struct Case {
        int lower, upper;
        const char* low;
        const char* up;
    };
    for (const Case& c : {Case{250, 750, "0.25", "0.75"}, Case{0, 1000, "0", "1"},
                          Case{1, 999, "0.001", "0.999"}, Case{700, 300, "0.3", "0.7"}}) {
        f.widget_CircPlot_Spanner->setSpan(c.lower, c.upper);
        EXPECT_EQ(f.lbl_Spanner_Low->text(), c.low);
        EXPECT_EQ(f.lbl_Spanner_Upper->text(), c.up);
    }
}

TEST_F(ConnectivityWindow, SpanLabelsKeepTheirWidthSoTheGrooveStaysPut) {
    ConnectivityObjectUI* w = open({graph_test::exampleMatrix(5, 1)});
    const ConnectivityForm& f = w->form();
    w->resize(641, 640);
    QApplication::processEvents();
    QxtSpanSlider* spanner = f.widget_CircPlot_Spanner;
    const QRect groove = spanner->geometry();
    const int lowWidth = f.lbl_Spanner_Low->width();
    const int upperWidth = f.lbl_Spanner_Upper->width();
    // Short and long texts alike: "0", "1", "0.5", "0.888", "0.111".
    for (const auto& [lower, upper] : {std::pair{0, 1000}, std::pair{500, 1000}, std::pair{888, 999},
                                       std::pair{111, 777}, std::pair{0, 10}, std::pair{1000, 1000}}) {
        spanner->setSpan(lower, upper);
        QApplication::processEvents();
        EXPECT_EQ(f.lbl_Spanner_Low->width(), lowWidth) << lower;
        EXPECT_EQ(f.lbl_Spanner_Upper->width(), upperWidth) << upper;
        EXPECT_EQ(spanner->geometry(), groove) << lower << ".." << upper;
        // And every text fits its label.
        const QFontMetrics metrics(f.lbl_Spanner_Low->font());
        EXPECT_LE(metrics.horizontalAdvance(f.lbl_Spanner_Low->text()), lowWidth);
        EXPECT_LE(metrics.horizontalAdvance(f.lbl_Spanner_Upper->text()), upperWidth);
    }
}

TEST_F(ConnectivityWindow, ArrowsStepAHundredthAndPageKeysATenthOfTheRange) {
    ConnectivityObjectUI* w = open({graph_test::exampleMatrix(5, 1)});
    w->form().pb_CircularPlotConnMtx->click();  // the range slider works once the plot is open
    QxtSpanSlider* spanner = w->form().widget_CircPlot_Spanner;
    ASSERT_TRUE(spanner->isEnabled());
    EXPECT_EQ(spanner->singleStep(), 10);
    EXPECT_EQ(spanner->pageStep(), 100);
    spanner->setSpan(200, 800);
    QTest::keyClick(spanner, Qt::Key_Right);  // the lower handle moves first
    EXPECT_EQ(spanner->lowerValue(), 210);
    QTest::keyClick(spanner, Qt::Key_PageUp);
    EXPECT_EQ(spanner->lowerValue(), 310);
    QTest::keyClick(spanner, Qt::Key_PageDown);
    QTest::keyClick(spanner, Qt::Key_PageDown);
    EXPECT_EQ(spanner->lowerValue(), 110);
    QTest::keyClick(spanner, Qt::Key_Left);
    EXPECT_EQ(spanner->lowerValue(), 100);
    EXPECT_EQ(spanner->upperValue(), 800);
    EXPECT_EQ(w->form().lbl_Spanner_Low->text(), "0.1");
}

TEST_F(ConnectivityWindow, FeatureTableRowsAndButtons) {
    ConnectivityObjectUI* w = open({graph_test::exampleMatrix(5, 1)});
    GraphFeaturesModel* m = w->graphFeaturesModel();
    QTableView* table = w->form().tblView_GraphFeatures;
    ASSERT_EQ(m->rowCount(), 11);
    ASSERT_EQ(m->columnCount(), 5);
    EXPECT_TRUE(table->isColumnHidden(0));
    const QStringList titles = {"Type", "Name", "Description", "", "Result"};
    for (int c = 0; c < 5; ++c) EXPECT_EQ(m->headerData(c, Qt::Horizontal).toString(), titles[c]);

    const QStringList names = {"Segragation", "Clustering coefficient", "Local efficiency",
                               "Integration", "Global efficiency",      "Centrality",
                               "Degree",      "Eigenvector centrality", "Nodal Features",
                               "Strength",    "Nodal Global Efficiency"};
    const QList<int> groups = {0, 3, 5, 8};
    for (int row = 0; row < 11; ++row) {
        EXPECT_EQ(m->index(row, 1).data().toString(), names[row]) << row;
        const bool group = groups.contains(row);
        EXPECT_EQ(m->isGroupRow(row), group);
        if (group) {
            EXPECT_EQ(table->columnSpan(row, 1), 4);
            EXPECT_EQ(m->index(row, 1).data(Qt::FontRole).value<QFont>().weight(), 75);
            EXPECT_FALSE(m->index(row, 0).data().isValid());
            EXPECT_FALSE(m->index(row, 4).data().isValid());
        }
    }
    EXPECT_EQ(m->index(9, 0).data().toString(), "Nodal Features");  // group title of a feature row
    EXPECT_TRUE(m->index(1, 2).data().toString().contains("\u201ccliqueness\u201d"));
    EXPECT_EQ(m->index(6, 2).data(Qt::ToolTipRole), m->index(6, 2).data());
    EXPECT_EQ(m->index(6, 2).data(Qt::WhatsThisRole), m->index(6, 2).data());
    EXPECT_TRUE(m->feature("global_efficiency").scalar);
    EXPECT_FALSE(m->feature("nodal_ge").scalar);

    const QStringList keys = {"clustering_coeff",       "local_efficiency", "global_efficiency", "degree",
                              "eigenvector_centrality", "strength",         "nodal_ge"};
    for (const QString& key : keys) {
        QPushButton* compute = w->computeButton(key);
        ASSERT_NE(compute, nullptr) << key.toStdString();
        EXPECT_EQ(compute->text(), "compute");
        EXPECT_TRUE(compute->isFlat());
        EXPECT_EQ(compute->property("row").toInt(), m->rowOf(key));
        EXPECT_EQ(compute->property("measure").toString(), key);
        QPushButton* inspect = w->inspectButton(key);
        if (key == "global_efficiency") {
            EXPECT_EQ(inspect, nullptr);
            continue;
        }
        ASSERT_NE(inspect, nullptr) << key.toStdString();
        EXPECT_EQ(inspect->text(), "inspect");
        EXPECT_FALSE(inspect->isEnabled());
        EXPECT_EQ(inspect->property("measure").toString(), key);
    }
    EXPECT_EQ(table->horizontalHeader()->sectionResizeMode(2), QHeaderView::Stretch);
}

// Every user-visible text of the feature table, written out whole: the
// source splits the long descriptions over several literals, where a lost
// space or letter would not show in a partial check.
TEST(GraphFeatureTable, TextsAreExact) {
    struct Row {
        const char* group;
        const char* key;
        const char* name;
        const char* description;
        bool scalar;
        const char* plotTitle;
    };
    const std::vector<Row> expected = {
        {"Segragation", "", "", "", false, ""},
        {"Segragation", "clustering_coeff", "Clustering coefficient",
         "The clustering coefficient of a node is the probability that the neighors of this node are also "
         "connected to each other. It is considered to be a measure of the local connectivity or "
         "\u201ccliqueness\u201d of a graph.",
         false, "Clustering Coefficient"},
        {"Segragation", "local_efficiency", "Local efficiency",
         "The local efficiency is the global efficiency computed on the neighborhood of the node, and is related "
         "to the clustering coefficient.",
         false, "Local Efficiency"},
        {"Integration", "", "", "", false, ""},
        {"Integration", "global_efficiency", "Global efficiency",
         "The global efficiency is the average inverse shortest path length in the network, and is inversely "
         "related to the characteristic path length.",
         true, "Global Efficiency"},
        {"Centrality", "", "", "", false, ""},
        {"Centrality", "degree", "Degree",
         "Measure the importance of each node through their number/weights of connections.", false, "Degree"},
        {"Centrality", "eigenvector_centrality", "Eigenvector centrality",
         "Eigenector centrality is a self-referential measure of centrality; nodes have higher values if they "
         "connect to other nodes that also exhibit high eigenvector centrality.",
         false, "Eigenvector Centrality"},
        {"Nodal Features", "", "", "", false, ""},
        {"Nodal Features", "strength", "Strength", "The sum of the weights of the connections of each node.",
         false, "Strength"},
        {"Nodal Features", "nodal_ge", "Nodal Global Efficiency",
         "The average of the inverse shortest path length from a node to all the other in the graph.", false,
         "Nodal Global Efficiency"},
    };
    const QList<GraphFeatureRow>& table = graphFeatureTable();
    ASSERT_EQ(table.size(), int(expected.size()));
    for (int row = 0; row < table.size(); ++row) {
        const Row& e = expected[std::size_t(row)];
        const GraphFeatureRow& actual = table[row];
        EXPECT_EQ(actual.feature.group, QString::fromUtf8(e.group)) << row;
        EXPECT_EQ(actual.feature.key, QString::fromUtf8(e.key)) << row;
        EXPECT_EQ(actual.feature.name, QString::fromUtf8(e.name)) << row;
        EXPECT_EQ(actual.feature.description, QString::fromUtf8(e.description)) << row;
        EXPECT_EQ(actual.feature.scalar, e.scalar) << row;
        EXPECT_EQ(actual.plotTitle, QString::fromUtf8(e.plotTitle)) << row;
    }
}

TEST_F(ConnectivityWindow, NodalMeasureOnEveryMatrixEnablesInspect) {
    const std::vector<Rows> matrices = {graph_test::exampleMatrix(6, 3), graph_test::exampleMatrix(6, 4)};
    ConnectivityObjectUI* w = open(matrices);
    const struct {
        const char* key;
        Eigen::ArrayXf (*measure)(const Eigen::MatrixXf&);
        const char* title;
    } cases[] = {
        {"degree", &linkmesh::degree, "Degree"},
        {"strength", &linkmesh::strength, "Strength"},
        {"clustering_coeff", &linkmesh::clustering_coeff, "Clustering Coefficient"},
        {"local_efficiency", &linkmesh::local_efficiency, "Local Efficiency"},
        {"eigenvector_centrality", &linkmesh::eigenvector_centrality, "Eigenvector Centrality"},
        {"nodal_ge", &linkmesh::nodal_global_efficiency, "Nodal Global Efficiency"},
    };
    for (const auto& c : cases) {
        compute(c.key);
        const QVariant stored = model()->result(model()->rowOf(c.key));
        ASSERT_EQ(stored.userType(), qMetaTypeId<FeatureSeries>()) << c.key;
        const FeatureSeries series = stored.value<FeatureSeries>();
        ASSERT_EQ(series.size(), 2);
        for (int k = 0; k < 2; ++k) {
            const Eigen::ArrayXf expected = c.measure(toEigen(matrices[k]));
            ASSERT_EQ(series[k].size(), expected.size());
            for (int i = 0; i < expected.size(); ++i)
                EXPECT_EQ(series[k][i], expected(i)) << c.key << " matrix " << k << " node " << i;
        }
        QPushButton* inspect = w->inspectButton(c.key);
        EXPECT_TRUE(inspect->isEnabled()) << c.key;
        EXPECT_EQ(inspect->property("win_title").toString(), c.title);
        EXPECT_FALSE(resultCell(c.key).isValid());  // per-node results are not shown in the cell
    }
    // Inspect opens the line plot of the measure: one series per matrix.
    w->inspectButton("degree")->click();
    auto* plot = qobject_cast<LinePlot*>(w->lastFeaturePlot());
    ASSERT_NE(plot, nullptr);
    EXPECT_TRUE(plot->isVisible());
    EXPECT_EQ(plot->windowTitle(), "Plot: Degree");
    ASSERT_EQ(plot->series().size(), 2);
    EXPECT_EQ(plot->series()[0]->name(), "Series 0");
    EXPECT_EQ(plot->series()[1]->name(), "Series 1");
    const Eigen::ArrayXf degrees = linkmesh::degree(toEigen(matrices[1]));
    ASSERT_EQ(plot->series()[1]->count(), degrees.size());
    for (int i = 0; i < degrees.size(); ++i) EXPECT_EQ(plot->series()[1]->at(i), QPointF(i, degrees(i)));
    EXPECT_TRUE(script->questions.isEmpty());
    plot->close();
}

TEST_F(ConnectivityWindow, GlobalEfficiencyOfOneMatrixShowsInTheResultColumn) {
    const Rows matrix = graph_test::exampleMatrix(7, 11);
    open({matrix});
    EXPECT_FALSE(resultCell("global_efficiency").isValid()) << "empty before computing";
    compute("global_efficiency");
    const QVariant shown = resultCell("global_efficiency");
    EXPECT_EQ(shown.userType(), int(QMetaType::Float));
    EXPECT_EQ(shown.toFloat(), linkmesh::global_efficiency(toEigen(matrix)));
}

TEST_F(ConnectivityWindow, GlobalEfficiencyPerConditionIsNamedInTheResultColumn) {
    const std::vector<Rows> matrices = {graph_test::exampleMatrix(6, 1), graph_test::exampleMatrix(6, 2),
                                        graph_test::exampleMatrix(6, 3)};
    open(matrices, {"Rest", "Cue", "Task"});
    EXPECT_TRUE(model()->usesProtocol());
    compute("global_efficiency");
    QStringList expected;
    const char* names[] = {"Rest", "Cue", "Task"};
    for (int k = 0; k < 3; ++k)
        expected << QString("%1: %2").arg(names[k]).arg(
            double(linkmesh::global_efficiency(toEigen(matrices[k]))), 0, 'g', 6);
    EXPECT_EQ(resultCell("global_efficiency").toString(), expected.join("\n"));
    const FeatureSeries stored = model()->result(model()->rowOf("global_efficiency")).value<FeatureSeries>();
    ASSERT_EQ(stored.size(), 3);
    EXPECT_EQ(stored[2].size(), 1);

    open({graph_test::exampleMatrix(6, 1), graph_test::exampleMatrix(6, 2)});  // no protocol
    compute("global_efficiency");
    EXPECT_TRUE(resultCell("global_efficiency").toString().startsWith("Series 0: "));
    EXPECT_TRUE(resultCell("global_efficiency").toString().contains("\nSeries 1: "));
}

TEST_F(ConnectivityWindow, SizeQuestionAboveFiftyNodes) {
    const QString question =
        "Caution.|The matrix is too big and the computation might take too long. Continue?";
    open({graph_test::exampleMatrix(50, 5)});
    compute("local_efficiency");
    EXPECT_TRUE(script->questions.isEmpty());
    EXPECT_TRUE(model()->result(model()->rowOf("local_efficiency")).isValid());

    open({graph_test::exampleMatrix(51, 5)});
    for (const char* quiet : {"degree", "strength", "clustering_coeff", "global_efficiency"}) compute(quiet);
    EXPECT_TRUE(script->questions.isEmpty());

    for (const char* asking : {"local_efficiency", "eigenvector_centrality", "nodal_ge"}) {
        script->questions.clear();
        script->answer = false;
        compute(asking);
        EXPECT_EQ(script->questions, QStringList{question}) << asking;
        EXPECT_FALSE(model()->result(model()->rowOf(asking)).isValid()) << asking;
        EXPECT_FALSE(object->window()->inspectButton(asking)->isEnabled()) << asking;

        script->answer = true;
        compute(asking);
        EXPECT_EQ(script->questions.size(), 2);
        EXPECT_TRUE(model()->result(model()->rowOf(asking)).isValid()) << asking;
        EXPECT_TRUE(object->window()->inspectButton(asking)->isEnabled()) << asking;
    }
}

TEST_F(ConnectivityWindow, SubjectWithoutMatricesComputesNothing) {
    open({});
    compute("degree");
    compute("global_efficiency");
    EXPECT_FALSE(model()->result(model()->rowOf("degree")).isValid());
    EXPECT_FALSE(resultCell("global_efficiency").isValid());
    EXPECT_FALSE(object->window()->inspectButton("degree")->isEnabled());
    EXPECT_TRUE(script->errors.isEmpty());
}

TEST_F(ConnectivityWindow, ComputeIgnoresSendersThatAreNotFeatureButtons) {
    ConnectivityObjectUI* w = open({graph_test::exampleMatrix(5, 1)});
    w->computeGraphFeature(false);  // no sender
    QPushButton stray;
    stray.setProperty("row", 6);
    stray.setProperty("measure", "betweenness");
    QObject::connect(&stray, &QPushButton::clicked, w, &ConnectivityObjectUI::computeGraphFeature);
    stray.click();
    for (int row = 0; row < model()->rowCount(); ++row) EXPECT_FALSE(model()->result(row).isValid());
}

TEST_F(ConnectivityWindow, NodeTableListsTheSelectedNodes) {
    ConnectivityObjectUI* w = open({graph_test::exampleMatrix(3, 1)});
    NodesModel* nodes = w->nodesModel();
    ASSERT_EQ(nodes->rowCount(), 3);
    EXPECT_EQ(nodes->columnCount(), 2);
    EXPECT_EQ(nodes->index(2, 0).data().toString(), "N2");
    EXPECT_EQ(nodes->headerData(1, Qt::Horizontal).toString(), "Inclusion");
    EXPECT_EQ(nodes->index(0, 1).data(Qt::TextAlignmentRole).toInt(), int(Qt::AlignHCenter));
    EXPECT_TRUE(nodes->flags(nodes->index(0, 0)).testFlag(Qt::ItemIsEditable));
    EXPECT_FALSE(nodes->flags(nodes->index(0, 1)).testFlag(Qt::ItemIsEditable));
    EXPECT_EQ(nodes->flags(QModelIndex()), Qt::ItemIsEnabled);
    EXPECT_TRUE(nodes->setData(nodes->index(0, 0), "renamed"));
    EXPECT_EQ(nodes->index(0, 0).data().toString(), "N0");  // setting data changes nothing
    auto* box = qobject_cast<QCheckBox*>(w->form().tblView_Nodes->indexWidget(nodes->index(1, 1)));
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->isChecked());
    EXPECT_EQ(box->property("row").toInt(), 1);
}

TEST_F(ConnectivityWindow, NodeNamesFollowTheSelection) {
    TempFolder local;
    nlohmann::json doc = graph_test::validManifest();
    graph_test::at(doc, "result_data.final_mtx") = nlohmann::json::array();
    auto subject = std::make_shared<Subject>();
    subject->manifest = readStudyManifest(local.writeJson("m.json", doc));
    subject->folder = local.path().string();
    ConnectivityObject selected(subject);
    selected.load();
    EXPECT_EQ(selected.nodeNames(), (QStringList{"gamma", "alpha"}));
}

TEST_F(ConnectivityWindow, ClosingDestroysTheWindowAndShowMakesANewOne) {
    ConnectivityObjectUI* first = open({graph_test::exampleMatrix(4, 1)});
    compute("degree");
    first->form().pb_Close->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(object->window(), nullptr);

    object->showWindow();
    ConnectivityObjectUI* second = object->window();
    ASSERT_NE(second, nullptr);
    EXPECT_TRUE(second->isVisible());
    EXPECT_FALSE(
        second->graphFeaturesModel()->result(second->graphFeaturesModel()->rowOf("degree")).isValid());
    object->showWindow();  // already open: the same window
    EXPECT_EQ(object->window(), second);
}

TEST(GraphFeaturesModelRows, GroupsFeaturesAndReplacedKeys) {
    GraphFeaturesModel m;
    QSignalSpy layout(&m, &QAbstractItemModel::layoutChanged);
    EXPECT_EQ(m.addRow("G", "", "", "", false), 0);
    EXPECT_EQ(m.addRow("G", "First", "d1", "k", false), 1);
    EXPECT_EQ(m.addRow("G", "Second", "d2", "k", true), 2);  // same key: the record is replaced
    EXPECT_EQ(layout.count(), 3);
    EXPECT_EQ(m.rowCount(), 3);
    EXPECT_TRUE(m.isGroupRow(0));
    EXPECT_FALSE(m.isGroupRow(1));
    EXPECT_EQ(m.feature("k").name, "Second");
    EXPECT_TRUE(m.feature("k").scalar);
    EXPECT_EQ(m.index(1, 1).data().toString(), "Second");
    EXPECT_EQ(m.rowOf("absent"), -1);
    EXPECT_EQ(m.index(0, 1).data().toString(), "G");

    m.setResult(2, QVariant(0.25f));
    EXPECT_FLOAT_EQ(m.index(2, GraphFeaturesModel::ResultColumn).data().toFloat(), 0.25f);
    EXPECT_FALSE(m.index(2, GraphFeaturesModel::ComputeColumn).data().isValid());
}
