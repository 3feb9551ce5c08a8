// Placeholder until the Win32 window host lands: a
// window host here reports its window as not created.
#include "toolkit/WindowSystem.h"

namespace Vornkit {

namespace {

class NoWindow final : public NativeWindow {
public:
    bool created() const override { return false; }
    void* handle() const override { return nullptr; }
    void invalidate() override {}
    bool askOkCancel(const char*, const char*) override { return false; }
    void setCapture() override {}
    void releaseCapture() override {}
    bool hasCapture() const override { return false; }
    bool startTimer(unsigned) override { return false; }
    void stopTimer() override {}
    void trackLeave() override {}
    void fillBlack() override {}
    void destroy() override {}
    std::unique_ptr<NativeMenu> createMenu() override { return nullptr; }
};

class Win32WindowSystem final : public WindowSystem {
public:
    std::unique_ptr<NativeWindow> createWindow(NativeWindowEvents&, int, int, void*) override
    {
        return std::make_unique<NoWindow>();
    }
};

}  // namespace

WindowSystem& systemWindowSystem()
{
    static Win32WindowSystem system;
    return system;
}

}  // namespace Vornkit
