// GUI mode's answerer: the plug-ins' dialogs as real Qt dialogs (QFileDialog,
// QMessageBox, QInputDialog). A cancel is a cancel for that call only. Message
// boxes are shown without blocking the plug-in, as simple HTML.
#pragma once

#include "host/session/dialog_answerer.h"

#include <QString>

#include <functional>

namespace talvora::app {

// A plug-in's message as simple HTML: its own simple tags (b, i, u, em,
// strong, br, p) kept, everything else escaped, its line breaks kept.
QString messageHtml(const std::string& text);
// The same message for the log pane: line breaks for <br> and </p>, the
// simple tags removed.
QString messagePlainText(const std::string& text);

class QtDialogAnswerer : public DialogAnswerer {
public:
    std::optional<nlohmann::json> answer(HostState& host, const DialogRequest& request) override;
    void showMessage(const std::string& text) override;
    // Told of every message as well (the log pane).
    std::function<void(const std::string&)> onMessage;

private:
    nlohmann::json ask(const DialogRequest& request);
};

}  // namespace talvora::app

// Callers outside the host (the plug-ins' tests, benchmarks and tools) use
// the short names.
namespace talvora {
using namespace app;
}  // namespace talvora
