// Finding the host's own module, already loaded in the process, by name, and
// looking up its exported functions. On Windows these are the system calls of
// the same names; elsewhere the same meaning is provided: nothing is loaded,
// and a name is looked up in that one module only.
#pragma once

namespace tl::platform {

using ModuleHandle = void*;

// Handle of a loaded module answering to `moduleName` ("Talvora.exe", ...),
// or null. Never loads a library.
ModuleHandle GetModuleHandleA(const char* moduleName);

// Address of `procName` exported by `module` itself, or null.
void* GetProcAddress(ModuleHandle module, const char* procName);

}  // namespace tl::platform

// A host module on Linux exports this function, returning the Windows module
// name it stands for; GetModuleHandleA matches it case-insensitively.
#define TL_HOST_MODULE_NAME_SYMBOL "talvoraHostModuleName"
