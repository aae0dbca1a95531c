// A plug-in library's descriptive exports, generated from its descriptor's
// export list: for every listed name but createPlugin (which the plug-in
// writes itself, as it creates its own class), an undecorated function
// returning the text `plugin_texts::<name>` that the plug-in defines. A
// listed name without its text does not compile.
//
//   namespace plugin_texts {
//   constexpr const char* getPluginName = "Mirel";
//   ...
//   }
//   TL_DEFINE_TEXT_EXPORTS(Mirel_r122)
#pragma once

#include "frame/plugin_interface.h"

#define TL_DEFINE_TEXT_EXPORTS(deliverable) TL_EXPORTS_##deliverable(TL_TEXT_EXPORT)

#define TL_TEXT_EXPORT(name) TL_TEXT_EXPORT_##name
#define TL_TEXT_EXPORT_FUNCTION(name)     \
    TL_PLUGIN_EXPORT const char* name() { \
        return plugin_texts::name;        \
    }

#define TL_TEXT_EXPORT_createPlugin
#define TL_TEXT_EXPORT_getPluginName TL_TEXT_EXPORT_FUNCTION(getPluginName)
#define TL_TEXT_EXPORT_getPluginDescription TL_TEXT_EXPORT_FUNCTION(getPluginDescription)
#define TL_TEXT_EXPORT_getAuthor TL_TEXT_EXPORT_FUNCTION(getAuthor)
#define TL_TEXT_EXPORT_getHelpFile TL_TEXT_EXPORT_FUNCTION(getHelpFile)
#define TL_TEXT_EXPORT_getPluginVersion TL_TEXT_EXPORT_FUNCTION(getPluginVersion)
#define TL_TEXT_EXPORT_getQMLFile TL_TEXT_EXPORT_FUNCTION(getQMLFile)
#define TL_TEXT_EXPORT_getGUIScript TL_TEXT_EXPORT_FUNCTION(getGUIScript)
#define TL_TEXT_EXPORT_getRegistrationOfGenericComponentLoader \
    TL_TEXT_EXPORT_FUNCTION(getRegistrationOfGenericComponentLoader)
