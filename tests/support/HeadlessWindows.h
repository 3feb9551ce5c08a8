// A window system without windows, for testing the toolkit natively: windows
// record what the toolkit asks of them, menus record their items and run a
// test's script while "shown", and the test plays the window system's part by
// calling the events itself.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "toolkit/WindowSystem.h"

namespace TestSupport {

class HeadlessWindowSystem final : public Vornkit::WindowSystem {
public:
    struct Item {
        std::string text;
        uint32_t id;
        bool enabled, separator;
    };

    class Menu final : public Vornkit::NativeMenu {
    public:
        explicit Menu(HeadlessWindowSystem& s) : system(s) {}
        void addItem(const char* text, uint32_t id, bool enabled) override { items.push_back({text, id, enabled, false}); }
        void addSeparator() override { items.push_back({"", 0, false, true}); }
        void show(int px, int py) override
        {
            x = px, y = py;
            if (system.onMenu) system.onMenu(*this);
        }
        std::vector<Item> items;
        int x = 0, y = 0;

    private:
        HeadlessWindowSystem& system;
    };

    class Window final : public Vornkit::NativeWindow {
    public:
        Window(HeadlessWindowSystem& s, Vornkit::NativeWindowEvents& e, bool ok) : events(e), system(s), made(ok) {}
        ~Window() override { system.window = nullptr; }
        bool created() const override { return made; }
        void* handle() const override { return nullptr; }
        void invalidate() override { ++invalidations; }
        bool askOkCancel(const char* text, const char*) override
        {
            questions.emplace_back(text);
            return system.answerOk;
        }
        void setCapture() override { capture = true; }
        void releaseCapture() override { capture = false; }
        bool hasCapture() const override { return capture; }
        bool startTimer(unsigned ms) override
        {
            if (system.refuseTimers) return false;
            ++timersStarted, timerRunning = true, period = ms;
            return true;
        }
        void stopTimer() override { timerRunning = false; }
        void trackLeave() override {}
        void fillBlack() override { ++blackFills; }
        void destroy() override
        {
            made = false;
            events.eventDestroyed();  // the last call: this object may be gone now
        }
        std::unique_ptr<Vornkit::NativeMenu> createMenu() override
        {
            auto m = std::make_unique<Menu>(system);
            system.lastMenu = m.get();
            return m;
        }

        Vornkit::NativeWindowEvents& events;
        int invalidations = 0, timersStarted = 0, blackFills = 0;
        unsigned period = 0;
        bool capture = false, timerRunning = false;
        std::vector<std::string> questions;

    private:
        HeadlessWindowSystem& system;
        bool made;
    };

    HeadlessWindowSystem() : previous(Vornkit::setWindowSystem(this)) {}
    ~HeadlessWindowSystem() override { Vornkit::setWindowSystem(previous); }

    std::unique_ptr<Vornkit::NativeWindow> createWindow(Vornkit::NativeWindowEvents& events, int, int, void*) override
    {
        auto w = std::make_unique<Window>(*this, events, !refuseWindows);
        window = w.get();
        return w;
    }

    bool refuseWindows = false, refuseTimers = false, answerOk = true;
    std::function<void(Menu&)> onMenu;  ///< runs while a menu is shown
    Window* window = nullptr;           ///< the newest window, null once it is gone
    Menu* lastMenu = nullptr;

private:
    Vornkit::WindowSystem* previous;
};

}  // namespace TestSupport
