// The plug-in's execute: one main dialog while it is open, a fresh one after
// it was closed.
// The frame header comes before any Qt header (Qt's `slots` macro).
#include "frame/plugin_hosts.h"

#include "graph/plugin/tlplugin.h"

#include "graph/ui/nodora.h"
#include "graph/ui/subjects_model.h"

#include <QApplication>
#include <QPointer>

#include <string>
#include <vector>

#include <gtest/gtest.h>

using namespace graph::ui;
using namespace graph::plugin;

extern std::vector<std::string> g_testHostLog;

namespace {
QList<Nodora*> mainDialogs() {
    QList<Nodora*> dialogs;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* d = qobject_cast<Nodora*>(w)) dialogs << d;
    }
    return dialogs;
}

void processDeletions() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
}  // namespace

TEST(PluginExecute, ShowsOneDialogAndANewOneAfterClosing) {
    processDeletions();
    const int before = mainDialogs().size();
    tlplugin plugin;
    ASSERT_TRUE(plugin.execute());
    ASSERT_EQ(mainDialogs().size(), before + 1);
    Nodora* first = mainDialogs().last();
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(first->parent(), nullptr);

    ASSERT_TRUE(plugin.execute());  // still open: the same dialog
    EXPECT_EQ(mainDialogs().size(), before + 1);
    EXPECT_EQ(mainDialogs().last(), first);
    first->subjectsModel()->add("kept while open");

    first->close();
    processDeletions();
    EXPECT_EQ(mainDialogs().size(), before);

    ASSERT_TRUE(plugin.execute());  // a fresh, empty dialog
    ASSERT_EQ(mainDialogs().size(), before + 1);
    Nodora* second = mainDialogs().last();
    EXPECT_TRUE(second->isVisible());
    EXPECT_EQ(second->subjectsModel()->rowCount(), 0);
    second->subjectsModel()->add("dropped with the dialog");

    // Escape (the dialog's reject) closes it as well: the next start is fresh.
    second->reject();
    processDeletions();
    EXPECT_EQ(mainDialogs().size(), before);
    ASSERT_TRUE(plugin.execute());
    ASSERT_EQ(mainDialogs().size(), before + 1);
    EXPECT_EQ(mainDialogs().last()->subjectsModel()->rowCount(), 0);
    mainDialogs().last()->close();
    processDeletions();
}

TEST(PluginExecute, DestroyingOrRestartingThePluginClosesItsDialog) {
    processDeletions();
    const int before = mainDialogs().size();
    g_testHostLog.clear();
    {
        tlplugin plugin;
        ASSERT_TRUE(plugin.execute());
        ASSERT_EQ(mainDialogs().size(), before + 1);
        QPointer<Nodora> first = mainDialogs().last();
        // A restart binds to this program (the host here) and closes the
        // dialog still open, so nothing is left that could call back into
        // the plug-in object.
        ASSERT_TRUE(plugin.initPlugin());
        EXPECT_TRUE(first.isNull());
        EXPECT_EQ(mainDialogs().size(), before);
        ASSERT_FALSE(g_testHostLog.empty());
        EXPECT_EQ(g_testHostLog.front(), "Plugin> ** Starting Graph Analysis **");
        // The next start builds a fresh dialog.
        ASSERT_TRUE(plugin.execute());
        ASSERT_EQ(mainDialogs().size(), before + 1);
        EXPECT_NE(mainDialogs().last(), first.data());
    }
    // The plug-in object is gone and so is its dialog; nothing dangles.
    EXPECT_EQ(mainDialogs().size(), before);
    // Later tests run without a host, as before.
    tl::g_nodoraHost = tl::HostTable{};
}
