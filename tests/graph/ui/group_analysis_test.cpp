// Group Analysis: spectral distances between subjects (closed forms), the
// results table, when the page is offered, the CSV export, and the buttons
// that open and release the subjects' windows.
#include "graph/core/group_analysis.h"
#include "graph/ui/connectivity_object.h"
#include "graph/ui/connectivity_object_ui.h"
#include "graph/ui/nodora.h"
#include "graph/ui/nodora_form.h"

#include "manifest_fixture.h"
#include "ui_fixture.h"
#include "scripted_prompts.h"

#include <QListWidget>
#include <QLabel>
#include <QTableWidget>
#include <QPushButton>
#include <QTabWidget>

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>

namespace {

// Eigenvalues: single edge {1, -1}; path of three {sqrt 2, 0, -sqrt 2};
// triangle {2, -1, -1}.
const Rows kEdge = {{0, 1}, {1, 0}};
const Rows kPath = {{0, 1, 0}, {1, 0, 1}, {0, 1, 0}};
const Rows kTriangle = {{0, 1, 1}, {1, 0, 1}, {1, 1, 0}};

Eigen::MatrixXf toEigen(const Rows& rows) {
    Eigen::MatrixXf m(rows.size(), rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i)
        for (std::size_t j = 0; j < rows.size(); ++j) m(i, j) = rows[i][j];
    return m;
}

const double kEdgePath = std::sqrt(std::pow(1 - std::sqrt(2.0), 2) + 1.0 + 2.0);  // (1,-1,0) vs path
const double kEdgeTriangle = std::sqrt(1.0 + 0.0 + 1.0);                          // (1,-1,0) vs (2,-1,-1)
const double kPathTriangle =
    std::sqrt(std::pow(std::sqrt(2.0) - 2, 2) + 1.0 + std::pow(1 - std::sqrt(2.0), 2));

// The results table as text: the header row (after an empty corner), then
// each row's header and cells, "|" between cells.
std::string tableText(const QTableWidget* table) {
    QStringList lines;
    QStringList header{QString()};
    for (int c = 0; c < table->columnCount(); ++c) header << table->horizontalHeaderItem(c)->text();
    lines << header.join('|');
    for (int r = 0; r < table->rowCount(); ++r) {
        QStringList row{table->verticalHeaderItem(r)->text()};
        for (int c = 0; c < table->columnCount(); ++c)
            row << (table->item(r, c) ? table->item(r, c)->text() : QStringLiteral("<none>"));
        lines << row.join('|');
    }
    return (lines.join('\n') + '\n').toStdString();
}

class GroupAnalysisPage : public ::testing::Test {
protected:
    void SetUp() override { dialog.setPrompts(scriptedPrompts(script)); }
    bool add(const std::string& dir, const std::string& id, const std::vector<Rows>& matrices,
             const std::vector<std::string>& conditions = {}) {
        return dialog.addSubjectFromFile(
            QString::fromStdString(graph_test::writeSubject(folder, dir, id, matrices, conditions)));
    }
    void select(std::initializer_list<int> rows) {
        f.list_ConnObjs->clearSelection();
        for (const int row : rows) f.list_ConnObjs->item(row)->setSelected(true);
    }
    QList<ConnectivityObject*> objects() const {
        return dialog.findChildren<ConnectivityObject*>(QString(), Qt::FindDirectChildrenOnly);
    }
    QStringList openSubjects() const {
        QStringList ids;
        for (const ConnectivityObject* o : objects())
            if (o->window()) ids << QString::fromStdString(o->subject().manifest.unique_id);
        return ids;
    }

    TempFolder folder;
    std::shared_ptr<PromptScript> script = std::make_shared<PromptScript>();
    Nodora dialog;
    const NodoraForm& f = dialog.form();
};

}  // namespace

TEST_F(GroupAnalysisPage, FiveMatricesShowAsAFiveByFiveTable) {
    ASSERT_TRUE(add("a", "edge", {kEdge}));
    ASSERT_TRUE(add("b", "tri", {kTriangle, kPath}, {"Rest", "Tap"}));
    ASSERT_TRUE(add("c", "mix", {kPath, kEdge}, {"Cue", "Go"}));
    select({0, 1, 2});
    f.btn_ComputeGraphDistance->click();
    QTableWidget* table = f.tbl_GraphResults;
    ASSERT_EQ(table->rowCount(), 5);
    ASSERT_EQ(table->columnCount(), 5);
    const QStringList names = {"edge", "tri / Rest", "tri / Tap", "mix / Cue", "mix / Go"};
    // Spectra: edge, triangle, path, path, edge.
    const int kind[5] = {0, 2, 1, 1, 0};
    const double between[3][3] = {
        {0, kEdgePath, kEdgeTriangle}, {kEdgePath, 0, kPathTriangle}, {kEdgeTriangle, kPathTriangle, 0}};
    for (int r = 0; r < 5; ++r) {
        QString column = names[r];
        column.replace(" / ", " /\n");  // column headers take two lines
        EXPECT_EQ(table->horizontalHeaderItem(r)->text(), column);
        EXPECT_EQ(table->horizontalHeaderItem(r)->toolTip(), names[r]);
        EXPECT_EQ(table->verticalHeaderItem(r)->text(), names[r]);
        for (int c = 0; c < 5; ++c) {
            const QTableWidgetItem* cell = table->item(r, c);
            ASSERT_NE(cell, nullptr) << r << "," << c;
            bool number = false;
            const double value = cell->text().toDouble(&number);
            ASSERT_TRUE(number) << cell->text().toStdString();
            EXPECT_NEAR(value, between[kind[r]][kind[c]], 5e-6) << r << "," << c;
            EXPECT_FALSE(cell->flags() & Qt::ItemIsEditable);
        }
    }
    EXPECT_EQ(table->item(0, 2)->text(), "1.78089");
    EXPECT_EQ(table->item(3, 1)->text(), "1.23074");
    EXPECT_EQ(table->item(4, 0)->text(), "0");
    EXPECT_EQ(f.lbl_GraphStatus->text(), "Spectral Euclidean Distance (5 matrices)");
    EXPECT_EQ(dialog.findChild<QWidget*>("cbox_grp_useFilteredMatrix"), nullptr)
        << "there is no filtered matrix to use";
}

TEST_F(GroupAnalysisPage, OpenAndReleaseTheSelectedSubjectsWindows) {
    ASSERT_TRUE(add("a", "one", {kEdge}));
    ASSERT_TRUE(add("b", "two", {kPath}));
    ASSERT_TRUE(add("c", "three", {kTriangle}));
    select({0, 2});
    f.btn_OpenSubject->click();
    EXPECT_EQ(openSubjects(), QStringList({"one", "three"}));
    for (const ConnectivityObject* o : objects()) EXPECT_TRUE(o->window()->isVisible());

    select({1});
    f.btn_OpenSubject->click();
    EXPECT_EQ(openSubjects(), QStringList({"one", "three", "two"}));

    select({2});
    f.btn_ReleaseSubject->click();
    EXPECT_EQ(openSubjects(), QStringList({"one", "two"}));
    EXPECT_EQ(objects().size(), 2) << "the released subject's data go with its window";

    select({});
    f.btn_ReleaseSubject->click();  // nothing selected: nothing released
    EXPECT_EQ(objects().size(), 2);

    f.btn_ReleaseAllSubjects->click();
    EXPECT_TRUE(objects().isEmpty());
    EXPECT_EQ(dialog.subjects().size(), 3u) << "releasing keeps the subjects in the list";

    // A subject whose matrices are gone is reported, and opens nothing.
    std::filesystem::remove(folder.path() / "b" / "final_0.csv");
    select({1});
    f.btn_OpenSubject->click();
    EXPECT_TRUE(objects().isEmpty());
    ASSERT_EQ(script->errors.size(), 1);
    EXPECT_TRUE(script->errors[0].contains("final_0.csv"));
}

TEST(GroupAnalysis, DistanceTableFromClosedFormSpectra) {
    const std::vector<NamedMatrix> entries = {
        {"edge", toEigen(kEdge)}, {"path", toEigen(kPath)}, {"triangle", toEigen(kTriangle)}};
    const Eigen::MatrixXf t = spectralDistanceTable(entries);
    ASSERT_EQ(t.rows(), 3);
    EXPECT_NEAR(t(0, 1), kEdgePath, 1e-5);
    EXPECT_NEAR(t(0, 2), kEdgeTriangle, 1e-5);
    EXPECT_NEAR(t(1, 2), kPathTriangle, 1e-5);
    EXPECT_EQ(t, t.transpose());
    EXPECT_EQ(t.diagonal().sum(), 0.0f);

    std::ostringstream text;
    writeDistanceText(text, entries, t);
    EXPECT_EQ(text.str(),
              "Spectral Euclidean Distance (3 matrices)\n"
              "          edge      path      triangle\n"
              "edge      0         1.78089   1.41421\n"
              "path      1.78089   0         1.23074\n"
              "triangle  1.41421   1.23074   0\n");
}

TEST(GroupAnalysis, OfferedWithTwoSubjectsComputedAndExported) {
    TempFolder folder;
    auto script = std::make_shared<PromptScript>();
    Nodora dialog;
    dialog.setPrompts(scriptedPrompts(script));
    const NodoraForm& f = dialog.form();
    const int tab = f.tabWidget->indexOf(f.tab_GroupAnalysis);
    ASSERT_TRUE(dialog.addSubjectFromFile(
        QString::fromStdString(graph_test::writeSubject(folder, "a", "edge", {kEdge}))));
    EXPECT_FALSE(f.tabWidget->isTabVisible(tab)) << "one subject: nothing to compare";
    ASSERT_TRUE(dialog.addSubjectFromFile(QString::fromStdString(
        graph_test::writeSubject(folder, "b", "tri", {kTriangle, kPath}, {"Rest", "Tap"}))));
    EXPECT_TRUE(f.tabWidget->isTabVisible(tab));
    EXPECT_TRUE(f.tab_GroupAnalysis->isEnabled());
    ASSERT_EQ(f.list_ConnObjs->count(), 2);
    EXPECT_EQ(f.list_ConnObjs->item(1)->text(), "tri");

    f.list_ConnObjs->item(0)->setSelected(true);
    f.btn_ComputeGraphDistance->click();
    EXPECT_EQ(f.lbl_GraphStatus->text(), "Select two or more subjects to compare.");
    EXPECT_EQ(f.tbl_GraphResults->rowCount(), 0);
    EXPECT_FALSE(f.btn_ExportGraphDistance->isEnabled());

    f.list_ConnObjs->item(1)->setSelected(true);
    f.btn_ComputeGraphDistance->click();
    EXPECT_EQ(f.lbl_GraphStatus->text(), "Spectral Euclidean Distance (3 matrices)");
    EXPECT_EQ(tableText(f.tbl_GraphResults),
              "|edge|tri /\nRest|tri /\nTap\n"
              "edge|0|1.41421|1.78089\n"
              "tri / Rest|1.41421|0|1.23074\n"
              "tri / Tap|1.78089|1.23074|0\n");
    ASSERT_TRUE(f.btn_ExportGraphDistance->isEnabled());
    const auto csv = folder.path() / "d.csv";
    script->saveFiles << QString::fromStdString(csv.string());
    f.btn_ExportGraphDistance->click();
    std::ifstream in(csv, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    EXPECT_EQ(bytes.str(),
              ",edge,tri / Rest,tri / Tap\n"
              "edge,0,1.41421,1.78089\n"
              "tri / Rest,1.41421,0,1.23074\n"
              "tri / Tap,1.78089,1.23074,0\n");

    // A matrix file that has gone missing is named, and nothing is exported.
    std::filesystem::remove(folder.path() / "a" / "final_0.csv");
    f.btn_ComputeGraphDistance->click();
    ASSERT_EQ(script->errors.size(), 1);
    EXPECT_TRUE(script->errors[0].contains("final_0.csv")) << script->errors[0].toStdString();
    EXPECT_FALSE(f.btn_ExportGraphDistance->isEnabled());
    EXPECT_EQ(f.tbl_GraphResults->rowCount(), 0) << "no table of an earlier computation stays";
    EXPECT_TRUE(f.lbl_GraphStatus->text().contains("final_0.csv"));

    dialog.data_removeAllSubjects();
    EXPECT_FALSE(f.tabWidget->isTabVisible(tab));
}
