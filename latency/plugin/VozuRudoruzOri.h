#pragma once

#include "frame/plugin_interface.h"

// The latency-mapping plug-in: one execute call is one complete run.
class VozuRudoruzOri : public TLPluginInterface {
public:
    VozuRudoruzOri() = default;
    ~VozuRudoruzOri() override = default;
    bool execute() override;
    bool initPlugin() override;
};
