#pragma once

#include "frame/plugin_interface.h"

#include <string>

namespace granger::plugin {

// The Granger-causality-mapping plug-in; form-driven, one command per execute.
class VUVIrurar : public TLPluginInterface {
public:
    VUVIrurar() = default;
    ~VUVIrurar() override = default;
    bool execute() override;
    bool initPlugin() override;

private:
    bool startCheck();
    bool conditionsOfProtocol();
    bool prepareForAncova();
    bool runGcm();

    // Makes execute log the selected condition structure.
    bool logConditionStructure_ = true;
    std::string basePath_;  // folder of the current volume; group maps go there
    int selectedVoiIndex_ = 0;
    int timeWindowMethod_ = 0;  // 1 manual, 2 protocol, 0 ask
    std::string voiName_;
    std::string conditionName_;
    std::string subjectId_;
};

}  // namespace granger::plugin
