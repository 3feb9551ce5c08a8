// The editor's window on Linux arrives with the X11 window host; until then a
// window host here reports its window as not created, and plug-ins without
// an editor window keep working.
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

class X11WindowSystem final : public WindowSystem {
public:
    bool hasWindows() const override { return false; }
    std::unique_ptr<NativeWindow> createWindow(NativeWindowEvents&, int, int, void*) override
    {
        return std::make_unique<NoWindow>();
    }
};

}  // namespace

WindowSystem& systemWindowSystem()
{
    static X11WindowSystem system;
    return system;
}

}  // namespace Vornkit
