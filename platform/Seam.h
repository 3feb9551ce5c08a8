// The shape of every platform seam: an interface in a header of this folder,
// the platform's own implementation (win32/ or posix/), and one process-wide
// slot where a test installs a stand-in. The product calls the seam's free
// functions, which use the stand-in when one is installed.
#pragma once

#include <atomic>

namespace Platform {

template <class Interface>
class Seam {
public:
    using System = Interface& (*)();
    constexpr explicit Seam(System systemInstance) : system(systemInstance) {}

    Interface& get() const
    {
        Interface* r = replacement.load(std::memory_order_acquire);
        return r ? *r : system();
    }
    /// Installs a stand-in; null restores the platform's own. Returns the previous stand-in.
    Interface* install(Interface* r) { return replacement.exchange(r, std::memory_order_acq_rel); }

private:
    System system;
    std::atomic<Interface*> replacement{nullptr};
};

}  // namespace Platform
