#pragma once

#include "frame/plugin_interface.h"

// The Granger-causality-mapping plug-in; form-driven, one command per execute.
class VUVIrurar : public TLPluginInterface {
public:
  VUVIrurar() = default;
  ~VUVIrurar() override = default;
  bool execute() override;
  bool initPlugin() override;

private:
  // Makes execute log the selected condition structure.
  bool logConditionStructure_ = true;
};
