// Stands in for the library's resources while it lives: every lookup goes to
// the function given.
#pragma once

#include "platform/resources.h"

namespace TestSupport {

class ScopedResources final : public Platform::IResources {
public:
    using Finder = bool (*)(const char* type, const char* name, Platform::ResourceBytes& out);
    explicit ScopedResources(Finder f) : finder(f), previous(Platform::setResources(this)) {}
    ~ScopedResources() override { Platform::setResources(previous); }
    ScopedResources(const ScopedResources&) = delete;
    ScopedResources& operator=(const ScopedResources&) = delete;

    bool find(const char* type, const char* name, Platform::ResourceBytes& out) override
    {
        return finder(type, name, out);
    }

private:
    Finder finder;
    Platform::IResources* previous;
};

}  // namespace TestSupport
