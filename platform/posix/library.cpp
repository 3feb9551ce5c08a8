#include <dlfcn.h>

#include "platform/library.h"

namespace Platform {

Library::~Library() { unload(); }

bool Library::load(const std::string& path)
{
    unload();
    // A path without a slash would search the library path instead of the file named.
    std::string file = path.find('/') == std::string::npos ? "./" + path : path;
    handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* e = dlerror();
        lastError = e ? e : "cannot load";
    }
    return handle != nullptr;
}

void Library::unload()
{
    if (handle) dlclose(handle);
    handle = nullptr;
}

void* Library::symbol(const char* name) const
{
    return handle ? dlsym(handle, name) : nullptr;
}

}  // namespace Platform
