#pragma once

#include "frame/plugin_interface.h"

#include <memory>
#include <ostream>

namespace distortion::plugin {

// The distortion-correction plug-in; form-driven, one "task" per execute.
class Mirel : public TLPluginInterface {
public:
    Mirel() = default;
    ~Mirel() override;
    bool execute() override;
    bool initPlugin() override;

private:
    std::unique_ptr<std::ostream> log_;  // hands each flushed line to the host log
};

}  // namespace distortion::plugin
