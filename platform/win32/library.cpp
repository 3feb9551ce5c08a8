#include <windows.h>

#include <cstdio>

#include "platform/library.h"

namespace Platform {

Library::~Library() { unload(); }

bool Library::load(const std::string& path)
{
    unload();
    handle = LoadLibraryA(path.c_str());
    if (!handle) {
        char message[64];
        std::snprintf(message, sizeof message, "LoadLibrary failed (error %lu)", GetLastError());
        lastError = message;
    }
    return handle != nullptr;
}

void Library::unload()
{
    if (handle) FreeLibrary(static_cast<HMODULE>(handle));
    handle = nullptr;
}

void* Library::symbol(const char* name) const
{
    return handle ? reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name)) : nullptr;
}

}  // namespace Platform
