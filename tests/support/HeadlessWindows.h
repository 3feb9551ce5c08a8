// A window system without windows, for testing the toolkit natively: windows
// record what the toolkit asks of them, menus record their items and run a
// test's script while "shown", and the test plays the window system's part by
// calling the events itself.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/windowsystem.h"

namespace TestSupport {

class HeadlessWindowSystem final : public Platform::WindowSystem {
public:
    struct Item {
        std::string text;
        uint32_t id;
        bool enabled, separator;
        bool checked = false;
    };
    class Menu;
    /// An entry that opens a submenu, recorded beside the plain items: it stands before items[position].
    struct Submenu {
        std::string text;
        size_t position;
        Menu* menu;
    };

    class Menu final : public Platform::NativeMenu {
    public:
        explicit Menu(HeadlessWindowSystem& s) : system(s) {}
        void addItem(const char* text, uint32_t id, bool enabled, bool checked) override
        {
            items.push_back({text, id, enabled, false, checked});
        }
        void addSeparator() override { items.push_back({"", 0, false, true}); }
        Platform::NativeMenu* addSubmenu(const char* text) override
        {
            owned.push_back(std::make_unique<Menu>(system));
            submenus.push_back({text, items.size(), owned.back().get()});
            return owned.back().get();
        }
        std::vector<Submenu> submenus;
        std::vector<std::unique_ptr<Menu>> owned;
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

    class Window final : public Platform::NativeWindow {
    public:
        Window(HeadlessWindowSystem& s, Platform::NativeWindowEvents& e, bool ok, bool popup = false)
            : events(e), isPopup(popup), system(s), made(ok)
        {
        }
        ~Window() override { (isPopup ? system.popup : system.window) = nullptr; }
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
        std::unique_ptr<Platform::NativeMenu> createMenu() override
        {
            if (system.drawnPopups) return nullptr;
            auto m = std::make_unique<Menu>(system);
            system.lastMenu = m.get();
            return m;
        }
        bool hasQuestionBox() const override { return !system.drawnPopups; }
        void postCommand(uint32_t id) override { posted.push_back(id); }
        void screenPosition(int& px, int& py) const override { px = x, py = y; }

        Platform::NativeWindowEvents& events;
        const bool isPopup;
        int x = 0, y = 0, width = 0, height = 0;  ///< on the screen
        std::vector<uint32_t> posted;             ///< commands waiting for the event to end
        int invalidations = 0, timersStarted = 0, blackFills = 0;
        unsigned period = 0;
        bool capture = false, timerRunning = false;
        std::vector<std::string> questions;

    private:
        HeadlessWindowSystem& system;
        bool made;
    };

    HeadlessWindowSystem() : previous(Platform::setWindowSystem(this)) {}
    ~HeadlessWindowSystem() override { Platform::setWindowSystem(previous); }

    std::unique_ptr<Platform::NativeWindow> createWindow(Platform::NativeWindowEvents& events, int w, int h,
                                                       void*) override
    {
        auto made = std::make_unique<Window>(*this, events, !refuseWindows);
        made->width = w, made->height = h;
        window = made.get();
        return made;
    }
    float systemScale() const override { return systemScaleValue; }
    float windowScale(void*) const override { return windowScaleValue > 0 ? windowScaleValue : systemScale(); }
    float systemScaleValue = 1.0f;
    float windowScaleValue = 0.0f;  ///< a host window's own scale; 0: the system's

    /// With drawnPopups set, windows have no menus or questions of their own:
    /// the toolkit draws its popups, and `onPopup` plays the user while one is up.
    std::unique_ptr<Platform::NativeWindow> createPopup(Platform::NativeWindowEvents& events, int px, int py, int w,
                                                       int h) override
    {
        if (!drawnPopups || refusePopups) return nullptr;
        auto p = std::make_unique<Window>(*this, events, true, true);
        p->x = px, p->y = py, p->width = w, p->height = h;
        popup = p.get();
        return p;
    }
    void runModal(const std::function<bool()>& done) override
    {
        if (onPopup && popup && !done()) onPopup(*popup);
    }
    bool screenSize(int& w, int& h) const override
    {
        w = screenWidth, h = screenHeight;
        return drawnPopups;
    }

    bool refuseWindows = false, refuseTimers = false, answerOk = true;
    bool drawnPopups = false, refusePopups = false;
    int screenWidth = 1280, screenHeight = 1024;
    std::function<void(Window&)> onPopup;  ///< runs while a drawn popup is up
    Window* popup = nullptr;               ///< the drawn popup while it lives
    std::function<void(Menu&)> onMenu;  ///< runs while a menu is shown
    Window* window = nullptr;           ///< the newest window, null once it is gone
    Menu* lastMenu = nullptr;

private:
    Platform::WindowSystem* previous;
};

}  // namespace TestSupport
