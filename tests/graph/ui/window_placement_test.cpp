// Where new windows go: beside the open ones, inside the screen's available
// area, never under the main dialog that stays on top when there is room;
// and the subject's ID in each connectivity window's title.
#include "graph/ui/connectivity_object.h"
#include "graph/ui/connectivity_object_ui.h"
#include "graph/ui/nodora.h"
#include "graph/ui/nodora_form.h"
#include "graph/ui/subjects_model.h"
#include "graph/ui/window_placement.h"

#include "manifest_fixture.h"
#include "ui_fixture.h"

#include <QPushButton>
#include <QScreen>
#include <QTableView>

#include <gtest/gtest.h>

namespace {

const QRect kScreen(0, 0, 1600, 1000);
const QRect kDialog(20, 40, 439, 577);  // the main dialog with its title bar

bool overlapsAny(const QRect& r, const std::vector<OpenWindow>& open) {
    for (const OpenWindow& w : open)
        if (r.intersects(w.frame)) return true;
    return false;
}

}  // namespace

TEST(WindowPlacement, BesideThePreviousWindowWhenThereIsRoom) {
    std::vector<OpenWindow> open = {{kDialog, true}};
    // Right of the dialog, 8 pixels apart, top edges aligned.
    const QRect first = placeBeside(QSize(641, 665), QSize(385, 420), open, kScreen);
    EXPECT_EQ(first, QRect(467, 40, 641, 665));

    // On a wide screen the next one goes right of that one.
    const QRect wide(0, 0, 2560, 1440);
    open.push_back({first, false});
    const QRect second = placeBeside(QSize(700, 806), QSize(700, 725), open, wide);
    EXPECT_EQ(second, QRect(1116, 40, 700, 806));
    EXPECT_FALSE(overlapsAny(second, open));

    // Too little room on the right of the newest (736 pixels for a window
    // of at least 800): below it.
    open.push_back({second, false});
    const QRect third = placeBeside(QSize(900, 585), QSize(800, 360), open, wide);
    EXPECT_EQ(third, QRect(1116, 854, 900, 585));
    EXPECT_TRUE(wide.contains(third));
    EXPECT_FALSE(overlapsAny(third, open));
}

TEST(WindowPlacement, ShrinksIntoTheRoomLeftBeforeOverlapping) {
    // 1600 wide: right of the connectivity window there are 484 pixels; a
    // window that may shrink to 450 takes them.
    const std::vector<OpenWindow> open = {{kDialog, true}, {QRect(467, 40, 641, 665), false}};
    const QRect r = placeBeside(QSize(700, 806), QSize(450, 500), open, kScreen);
    EXPECT_EQ(r, QRect(1116, 40, 484, 806));
    EXPECT_FALSE(overlapsAny(r, open));
}

TEST(WindowPlacement, WithoutRoomStaysInsideAndOutFromUnderTheDialog) {
    const std::vector<OpenWindow> open = {{kDialog, true}, {QRect(467, 40, 641, 665), false}};
    // The matrix view: taller than the screen allows and at least 645 high.
    const QRect r = placeBeside(QSize(1100, 1200), QSize(686, 645), open, kScreen);
    EXPECT_TRUE(kScreen.contains(r)) << r.x() << "," << r.y() << " " << r.width() << "x" << r.height();
    EXPECT_LE(r.height(), 1000);
    EXPECT_GE(r.width(), 686);
    EXPECT_GE(r.height(), 645);
    EXPECT_FALSE(r.intersects(kDialog)) << "a window under the dialog that stays on top is hidden";
}

TEST(WindowPlacement, FirstWindowIsCentredAndCutToTheScreen) {
    EXPECT_EQ(placeBeside(QSize(400, 300), QSize(100, 100), {}, kScreen), QRect(600, 350, 400, 300));
    const QRect big = placeBeside(QSize(2000, 1200), QSize(100, 100), {}, QRect(100, 50, 1600, 1000));
    EXPECT_EQ(big, QRect(100, 50, 1600, 1000));
}

TEST(WindowPlacement, ScreenSmallerThanTheMinimumStillGetsAWindowInside) {
    const QRect tiny(0, 0, 300, 200);
    const QRect r = placeBeside(QSize(700, 800), QSize(700, 700), {{QRect(0, 0, 100, 100), true}}, tiny);
    EXPECT_TRUE(tiny.contains(r));
    EXPECT_EQ(r.size(), QSize(300, 200));
}

TEST(WindowPlacement, ConnectivityWindowsOpenInsideTheScreenWithTheSubjectInTheTitle) {
    TempFolder folder;
    Nodora dialog;
    dialog.move(0, 0);
    dialog.show();
    ASSERT_TRUE(dialog.addSubjectFromFile(QString::fromStdString(
        graph_test::writeSubject(folder, "a", "sub-07_rest", {graph_test::exampleMatrix(4, 1)}))));
    ASSERT_TRUE(dialog.addSubjectFromFile(QString::fromStdString(
        graph_test::writeSubject(folder, "b", "sub-08_task", {graph_test::exampleMatrix(4, 2)}))));
    const QRect available = dialog.screen()->availableGeometry();
    QList<ConnectivityObjectUI*> windows;
    for (int row : {0, 1}) {
        auto* view = qobject_cast<QPushButton*>(
            dialog.form().tbl_Subjects->indexWidget(dialog.subjectsModel()->index(row, 1)));
        ASSERT_NE(view, nullptr);
        view->click();
        const auto objects = dialog.findChildren<ConnectivityObject*>();
        ASSERT_EQ(objects.size(), row + 1);
        windows << objects.last()->window();
    }
    EXPECT_EQ(windows[0]->windowTitle(), "Dialog - sub-07_rest");
    EXPECT_EQ(windows[1]->windowTitle(), "Dialog - sub-08_task");
    for (ConnectivityObjectUI* w : windows)
        EXPECT_TRUE(available.contains(w->frameGeometry()))
            << w->frameGeometry().x() << "," << w->frameGeometry().y() << " " << w->width() << "x"
            << w->height() << " on " << available.width() << "x" << available.height();
}
