// The main dialog: adding subjects, their rows and "View" buttons, removal,
// errors shown for bad manifests and bad subjects, keep-on-top and close.
#include "graph/ui/connectivity_object.h"
#include "graph/ui/connectivity_object_ui.h"
#include "graph/ui/nodora.h"
#include "graph/ui/nodora_form.h"
#include "graph/ui/subjects_model.h"

#include "manifest_fixture.h"
#include "ui_fixture.h"
#include "scripted_prompts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableView>

#include <gtest/gtest.h>

namespace {

class NodoraDialog : public ::testing::Test {
protected:
    NodoraDialog() { dialog.setPrompts(scriptedPrompts(script)); }

    std::string subject(const std::string& id, int matrices = 1) {
        std::vector<graph_test::Rows> rows;
        for (int k = 0; k < matrices; ++k) rows.push_back(graph_test::exampleMatrix(4, 7 + k));
        return graph_test::writeSubject(folder, id, id, rows);
    }

    bool add(const std::string& path) {
        script->files << QString::fromStdString(path);
        return dialog.data_addSubject();
    }

    QTableView* table() const { return dialog.form().tbl_Subjects; }
    int rows() const { return dialog.subjectsModel()->rowCount(); }
    QString idAt(int row) const { return dialog.subjectsModel()->index(row, 0).data().toString(); }
    QPushButton* viewButton(int row) const {
        return qobject_cast<QPushButton*>(table()->indexWidget(dialog.subjectsModel()->index(row, 1)));
    }
    QList<ConnectivityObject*> objects() const {
        return dialog.findChildren<ConnectivityObject*>(QString(), Qt::FindDirectChildrenOnly);
    }

    TempFolder folder;
    std::shared_ptr<PromptScript> script = std::make_shared<PromptScript>();
    Nodora dialog;
};

}  // namespace

TEST_F(NodoraDialog, StartsEmptyAndOnTop) {
    const NodoraForm& f = dialog.form();
    EXPECT_EQ(dialog.objectName(), "CGAnalysis");
    EXPECT_EQ(dialog.windowTitle(), "Connectivity & Graph Analysis Plugin");
    EXPECT_TRUE(dialog.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(f.cbox_KeepOnTop->isChecked());
    EXPECT_EQ(f.tabWidget->currentIndex(), 0);
    EXPECT_EQ(f.tabWidget->tabText(0), "Data");
    EXPECT_EQ(f.tabWidget->tabText(1), "Group Analysis");
    EXPECT_FALSE(f.tabWidget->isTabVisible(1));
    EXPECT_FALSE(f.tab_GroupAnalysis->isEnabled());
    EXPECT_EQ(f.lbl_SubjectsCounter->text(), "0");
    EXPECT_TRUE(f.pb_AddSubject->isFlat());
    EXPECT_FALSE(f.pb_RemoveSubject->isEnabled());
    EXPECT_FALSE(f.pb_RemoveAll->isEnabled());
    EXPECT_EQ(f.cbox_GraphDistance->count(), 1);
    EXPECT_EQ(f.cbox_GraphDistance->itemText(0), "Spectral Euclidean Distance");
    EXPECT_EQ(
        f.label_2->text(),
        "<html><head/><body><p>Compute a distance/similarity matrix between the given connectivity matrices "
        "of the selected subjects. The metric is based on the euclidean distance of the eigen values of the "
        "matrices. The matrices will be padded with zeros if needed.</p></body></html>");
    EXPECT_EQ(table()->selectionMode(), QAbstractItemView::SingleSelection);
    EXPECT_EQ(table()->horizontalHeader()->sectionResizeMode(0), QHeaderView::Stretch);
    EXPECT_EQ(dialog.subjectsModel()->columnCount(), 2);
    EXPECT_EQ(dialog.subjectsModel()->headerData(0, Qt::Horizontal).toString(), "Study ID");
    EXPECT_EQ(dialog.subjectsModel()->headerData(1, Qt::Horizontal).toString(), "");
    EXPECT_EQ(rows(), 0);
}

TEST_F(NodoraDialog, AddingTwoSubjectsGivesTwoRowsWithViewButtons) {
    const std::string first = subject("sub-A");
    const std::string second = subject("sub-B");
    QSignalSpy layout(dialog.subjectsModel(), &QAbstractItemModel::layoutChanged);
    ASSERT_TRUE(add(first));
    ASSERT_TRUE(add(second));
    EXPECT_EQ(layout.count(), 2);

    ASSERT_EQ(rows(), 2);
    EXPECT_EQ(idAt(0), "sub-A");
    EXPECT_EQ(idAt(1), "sub-B");
    EXPECT_FALSE(dialog.subjectsModel()->index(0, 1).data().isValid());
    for (int row = 0; row < 2; ++row) {
        QPushButton* view = viewButton(row);
        ASSERT_NE(view, nullptr);
        EXPECT_EQ(view->text(), "View");
        EXPECT_TRUE(view->isFlat());
        EXPECT_TRUE(view->isEnabled());
        EXPECT_EQ(view->property("row").toInt(), row);
    }
    ASSERT_EQ(dialog.subjects().size(), 2u);
    EXPECT_EQ(dialog.subjects()[1]->folder, (folder.path() / "sub-B").string());
    EXPECT_TRUE(QDir::isAbsolutePath(QString::fromStdString(dialog.subjects()[0]->folder)));
    EXPECT_TRUE(dialog.form().pb_RemoveSubject->isEnabled());
    EXPECT_EQ(dialog.form().lbl_SubjectsCounter->text(), "2");
    EXPECT_TRUE(script->errors.isEmpty());
}

TEST_F(NodoraDialog, CancelledOrUnreadableFileAddsNothingSilently) {
    EXPECT_FALSE(add(""));  // the file dialog was cancelled
    EXPECT_FALSE(add((folder.path() / "absent.json").string()));
    EXPECT_EQ(rows(), 0);
    EXPECT_TRUE(script->errors.isEmpty());
    EXPECT_FALSE(dialog.form().pb_RemoveSubject->isEnabled());
}

TEST_F(NodoraDialog, BadManifestIsReportedAndAddsNothing) {
    nlohmann::json doc = graph_test::validManifest();
    doc.erase("unique_id");
    const std::string missingKey = folder.writeJson("bad.json", doc);
    const std::string notJson = folder.write("broken.json", "{\"unique_id\": ");

    EXPECT_FALSE(add(missingKey));
    EXPECT_FALSE(add(notJson));
    EXPECT_EQ(rows(), 0);
    EXPECT_TRUE(dialog.subjects().empty());
    ASSERT_EQ(script->errors.size(), 2);
    EXPECT_TRUE(script->errors[0].contains("No such node (unique_id)")) << script->errors[0].toStdString();
    EXPECT_TRUE(script->errors[0].contains("bad.json"));
    EXPECT_TRUE(script->errors[1].contains("broken.json(1): expected value"))
        << script->errors[1].toStdString();

    // The dialog stays usable.
    EXPECT_TRUE(add(subject("sub-OK")));
    EXPECT_EQ(idAt(0), "sub-OK");
    EXPECT_EQ(viewButton(0)->property("row").toInt(), 0);
}

TEST_F(NodoraDialog, EachViewButtonOpensItsOwnSubject) {
    ASSERT_TRUE(add(subject("sub-A", 1)));
    ASSERT_TRUE(add(subject("sub-B", 3)));

    viewButton(1)->click();
    ASSERT_EQ(objects().size(), 1);
    ConnectivityObject* b = objects().first();
    EXPECT_EQ(b->subject().manifest.unique_id, "sub-B");
    EXPECT_EQ(b->matrices().size(), 3u);
    ASSERT_NE(b->window(), nullptr);
    EXPECT_TRUE(b->window()->isVisible());

    viewButton(0)->click();
    ASSERT_EQ(objects().size(), 2);
    EXPECT_EQ(objects().last()->subject().manifest.unique_id, "sub-A");
    EXPECT_EQ(objects().last()->matrices().size(), 1u);

    viewButton(0)->click();  // each press makes a new connectivity object
    EXPECT_EQ(objects().size(), 3);
    EXPECT_TRUE(script->errors.isEmpty());
}

TEST_F(NodoraDialog, SubjectThatCannotBeLoadedShowsAnErrorInsteadOfAWindow) {
    nlohmann::json doc = graph_test::validManifest();  // names three CSV files that do not exist
    ASSERT_TRUE(add(folder.writeJson("nofiles/m.json", doc)));
    graph_test::at(doc, "result_data.final_mtx") = nlohmann::json::array();
    graph_test::at(doc, "configuration.selected_vois") = nlohmann::json::array({0, 5});
    ASSERT_TRUE(add(folder.writeJson("badvoi/m.json", doc)));

    viewButton(0)->click();
    viewButton(1)->click();
    EXPECT_TRUE(objects().isEmpty());
    ASSERT_EQ(script->errors.size(), 2);
    EXPECT_TRUE(script->errors[0].contains("final_0.csv")) << script->errors[0].toStdString();
    EXPECT_TRUE(script->errors[1].contains("selected_vois holds 5")) << script->errors[1].toStdString();
}

TEST_F(NodoraDialog, RemoveSelectedKeepsRowsButtonsAndSubjectsInStep) {
    for (const char* id : {"sub-A", "sub-B", "sub-C"}) ASSERT_TRUE(add(subject(id)));

    dialog.form().pb_RemoveSubject->click();  // nothing selected: nothing removed
    EXPECT_EQ(rows(), 3);
    EXPECT_EQ(dialog.form().lbl_SubjectsCounter->text(), "3");

    table()->selectRow(1);
    dialog.form().pb_RemoveSubject->click();
    ASSERT_EQ(rows(), 2);
    EXPECT_EQ(idAt(0), "sub-A");
    EXPECT_EQ(idAt(1), "sub-C");
    ASSERT_EQ(dialog.subjects().size(), 2u);
    EXPECT_EQ(dialog.form().lbl_SubjectsCounter->text(), "2");
    EXPECT_EQ(dialog.subjects()[1]->manifest.unique_id, "sub-C");
    ASSERT_NE(viewButton(1), nullptr);
    EXPECT_EQ(viewButton(0)->property("row").toInt(), 0);
    EXPECT_EQ(viewButton(1)->property("row").toInt(), 1);

    viewButton(1)->click();
    ASSERT_EQ(objects().size(), 1);
    EXPECT_EQ(objects().first()->subject().manifest.unique_id, "sub-C");

    table()->selectRow(0);
    dialog.form().pb_RemoveSubject->click();
    table()->selectRow(0);
    dialog.form().pb_RemoveSubject->click();
    EXPECT_EQ(rows(), 0);
    EXPECT_FALSE(dialog.form().pb_RemoveSubject->isEnabled());
    EXPECT_FALSE(dialog.form().pb_RemoveAll->isEnabled());
}

TEST_F(NodoraDialog, RemoveAllEmptiesTheListAndTheDialogStaysUsable) {
    for (const char* id : {"sub-A", "sub-B"}) ASSERT_TRUE(add(subject(id)));
    viewButton(0)->click();
    ConnectivityObject* open = objects().first();

    EXPECT_TRUE(dialog.form().pb_RemoveAll->isEnabled());
    dialog.form().pb_RemoveAll->click();
    EXPECT_EQ(rows(), 0);
    EXPECT_TRUE(dialog.subjects().empty());
    EXPECT_EQ(dialog.form().lbl_SubjectsCounter->text(), "0");
    EXPECT_FALSE(dialog.form().pb_RemoveAll->isEnabled());
    // An open window keeps its subject.
    EXPECT_EQ(open->subject().manifest.unique_id, "sub-A");

    ASSERT_TRUE(add(subject("sub-C")));
    EXPECT_EQ(dialog.form().lbl_SubjectsCounter->text(), "1");
    EXPECT_EQ(idAt(0), "sub-C");
    EXPECT_EQ(viewButton(0)->property("row").toInt(), 0);
    viewButton(0)->click();
    EXPECT_EQ(objects().last()->subject().manifest.unique_id, "sub-C");
}

TEST_F(NodoraDialog, KeepOnTopAndClose) {
    dialog.show();
    dialog.form().cbox_KeepOnTop->setChecked(false);
    EXPECT_FALSE(dialog.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(dialog.isVisible());
    dialog.form().cbox_KeepOnTop->setChecked(true);
    EXPECT_TRUE(dialog.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(dialog.isVisible());

    dialog.form().pb_CloseDialog->click();
    EXPECT_FALSE(dialog.isVisible());
}

TEST(SubjectsModel, AddAndRemove) {
    SubjectsModel model;
    EXPECT_EQ(model.add("a"), 1);
    EXPECT_EQ(model.add("b"), 2);
    EXPECT_EQ(model.add("c"), 3);
    EXPECT_EQ(model.index(1, 0).data(Qt::EditRole).toString(), "b");
    EXPECT_FALSE(model.index(1, 0).data(Qt::ToolTipRole).isValid());
    model.remove(0);
    model.remove(7);  // outside: nothing changes
    model.remove(-1);
    ASSERT_EQ(model.rowCount(), 2);
    EXPECT_EQ(model.index(0, 0).data().toString(), "b");
    EXPECT_EQ(model.index(1, 0).data().toString(), "c");
}

TEST_F(NodoraDialog, ViewOpensTheWindowInsideTheScreen) {
    dialog.move(40, 40);
    dialog.show();
    ASSERT_TRUE(add(subject("beside")));
    viewButton(0)->click();
    ASSERT_EQ(objects().size(), 1);
    ConnectivityObjectUI* window = objects().first()->window();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(dialog.screen()->availableGeometry().contains(window->frameGeometry()));
}

TEST_F(NodoraDialog, ClosingTheDialogClosesItsConnectivityWindows) {
    dialog.show();
    ASSERT_TRUE(add(subject("closing")));
    viewButton(0)->click();
    ConnectivityObject* object = objects().first();
    QPointer<ConnectivityObjectUI> window = object->window();
    ASSERT_TRUE(window && window->isVisible());
    // With its windows merely hidden by the dialog's deletion the host
    // never saw a last window close; they must close first.
    dialog.close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(!window || !window->isVisible());
    EXPECT_EQ(object->window(), nullptr);
    EXPECT_FALSE(dialog.isVisible());
}
