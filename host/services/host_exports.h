// Declarations of the host functions this stand-in host exports, generated
// from the same list the plug-ins bind, so a signature cannot drift.
#pragma once

#include "frame/host_api.h"

#if defined(_WIN32)
// The program itself exports them; the plug-ins look them up by name.
#define TALVORA_HOST_EXPORT extern "C" __declspec(dllexport)
#else
#define TALVORA_HOST_EXPORT extern "C" __attribute__((visibility("default")))
#endif

#define TL_HOST_DECL(name, typed, ret, params) TL_HOST_DECL_I(typed, name, ret, params)
#define TL_HOST_DECL_I(typed, name, ret, params) TL_HOST_DECL_##typed(name, ret, params)
#define TL_HOST_DECL_1(name, ret, params) TALVORA_HOST_EXPORT ret name params;
#define TL_HOST_DECL_0(name, ret, params)
TALVORA_HOST_FUNCTIONS(TL_HOST_DECL)
#undef TL_HOST_DECL_0
#undef TL_HOST_DECL_1
#undef TL_HOST_DECL_I
#undef TL_HOST_DECL

#define TL_HOST_EXTENSION_DECL(name, ret, params) TALVORA_HOST_EXPORT ret name params;
TALVORA_HOST_EXTENSIONS(TL_HOST_EXTENSION_DECL)
#undef TL_HOST_EXTENSION_DECL

TALVORA_HOST_EXPORT const char* talvoraHostModuleName();
