// Group Analysis: spectral distances between subjects (closed forms), the
// results text, when the page is offered, and the CSV export.
#include "graph/core/group_analysis.h"
#include "graph/ui/nodora.h"
#include "graph/ui/nodora_form.h"

#include "manifest_fixture.h"
#include "ui_fixture.h"
#include "scripted_prompts.h"

#include <QListWidget>
#include <QPlainTextEdit>
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

}  // namespace

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
    EXPECT_EQ(f.plain_GraphResults->toPlainText(), "Select two or more subjects to compare.");
    EXPECT_FALSE(f.btn_ExportGraphDistance->isEnabled());

    f.list_ConnObjs->item(1)->setSelected(true);
    f.btn_ComputeGraphDistance->click();
    EXPECT_EQ(f.plain_GraphResults->toPlainText(),
              "Spectral Euclidean Distance (3 matrices)\n"
              "            edge        tri / Rest  tri / Tap\n"
              "edge        0           1.41421     1.78089\n"
              "tri / Rest  1.41421     0           1.23074\n"
              "tri / Tap   1.78089     1.23074     0\n");
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

    dialog.data_removeAllSubjects();
    EXPECT_FALSE(f.tabWidget->isTabVisible(tab));
}
