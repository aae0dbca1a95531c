#pragma once

#include "frame/plugin_interface.h"

namespace graph::ui {
class Nodora;
}  // namespace graph::ui

namespace graph::plugin {

using ui::Nodora;

// The graph plug-in: execute shows the non-modal main dialog and returns.
class tlplugin : public TLHXPluginInterface {
public:
    tlplugin() = default;
    ~tlplugin() override;  // closes a dialog that is still open
    bool execute() override;
    bool initPlugin() override;

private:
    void closeDialog();
    Nodora* dialog_ = nullptr;  // null until shown, and again once it is destroyed
};

}  // namespace graph::plugin
