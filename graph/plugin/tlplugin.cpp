#include "graph/plugin/tlplugin.h"

// The frame headers come before any Qt header: Qt's `slots` keyword macro
// would otherwise rewrite identifiers in them.
#include "frame/host_table_nodora.h"
#include "frame/version_gate.h"

#include "graph/ui/nodora.h"

#include <string>

using tl::g_nodoraHost;

namespace graph::plugin {

namespace {
const char* const kPluginName = "Graph Analysis";
}

bool tlplugin::initPlugin() {
    if (!tl::bindNodoraHostTable()) return false;
    if (!tl::hostVersionAccepted(
            g_nodoraHost.hxGetVersionOfTalvoraHX, g_nodoraHost.hxMessageBox, {2, 6, 0},
            "Plugin> Can not execute this plugin - TalvoraHX version 2.6.0 or higher required."))
        return false;
    if (g_nodoraHost.hxShowLogPane) g_nodoraHost.hxShowLogPane();
    if (g_nodoraHost.hxLogText) {
        g_nodoraHost.hxLogText(("Plugin> ** Starting " + std::string(kPluginName) + " **").c_str());
        g_nodoraHost.hxLogText(
            "Plugin> Updates are published with the plug-in's release notes in its help folder.");
        g_nodoraHost.hxLogText("Plugin> Questions: contact the Talvora plug-in team.");
    }
    // A fresh start forgets any dialog; one still open is closed first, so
    // nothing is left that refers back to this object.
    closeDialog();
    return true;
}

bool tlplugin::execute() {
    // One non-modal dialog at a time; closing destroys it and the next start
    // builds a fresh one.
    if (!dialog_) {
        dialog_ = new Nodora();
        dialog_->setAttribute(Qt::WA_DeleteOnClose);
        QObject::connect(dialog_, &QObject::destroyed, [this] { dialog_ = nullptr; });
    }
    dialog_->show();
    dialog_->raise();
    dialog_->activateWindow();
    return true;
}

// The dialog cannot outlive the plug-in object: its "forget me" handler
// refers to this object, and the library may be unloaded after us.
tlplugin::~tlplugin() {
    closeDialog();
}

void tlplugin::closeDialog() {
    if (Nodora* dialog = dialog_) {
        dialog_ = nullptr;
        QObject::disconnect(dialog, &QObject::destroyed, nullptr, nullptr);
        delete dialog;
    }
}

}  // namespace graph::plugin
