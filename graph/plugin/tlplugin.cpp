#include "graph/plugin/tlplugin.h"

// The frame headers come before any Qt header: Qt's `slots` keyword macro
// would otherwise rewrite identifiers in them.
#include "frame/plugin_hosts.h"

#include "graph/ui/nodora.h"

#include <string>

namespace graph::plugin {

namespace {
const char* const kPluginName = "Graph Analysis";
using F = tl::HostFunction;
// The graph plug-in shows nothing when the host lacks a function of its
// start: each call is optional.
const tl::HostAccess& host = tl::g_nodoraAccess;
}  // namespace

bool tlplugin::initPlugin() {
    if (!tl::g_nodoraAccess.bind()) return false;
    if (!host.versionAccepted()) return false;
    if (auto showLogPane = host.optional<F::hxShowLogPane>()) showLogPane();
    if (auto logText = host.optional<F::hxLogText>()) {
        logText(("Plugin> ** Starting " + std::string(kPluginName) + " **").c_str());
        logText("Plugin> Updates are published with the plug-in's release notes in its help folder.");
        logText("Plugin> Questions: contact the Talvora plug-in team.");
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
