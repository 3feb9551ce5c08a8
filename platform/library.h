// Loading a plug-in binary the way a host does (dlopen / LoadLibrary).
// Used by the command-line host and the tests, never by the plug-in.
#pragma once

#include <string>

namespace Platform {

class Library {
public:
    Library() = default;
    ~Library();
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    /// Loads the binary; on failure error() says why.
    bool load(const std::string& path);
    void unload();
    /// An exported symbol, or null.
    void* symbol(const char* name) const;
    bool loaded() const { return handle != nullptr; }
    const std::string& error() const { return lastError; }

private:
    void* handle = nullptr;
    std::string lastError;
};

}  // namespace Platform
