// The control tree and the window host without a window: hit rule, routing
// with hover and leave, capture, menus, timer, failures, and a window that
// goes away while one of its events is still being handled.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#if !defined(_WIN32)
#include <X11/Xlib.h>

#include <cstdlib>
#endif

#include "render/Font.h"
#include "tests/support/HeadlessWindows.h"
#include "tests/support/RecordingContext.h"
#include "tests/support/RecordingDialogs.h"
#include "toolkit/DrawnPopups.h"
#include "toolkit/Winwrapper.h"

using namespace Vornkit;
using TestSupport::HeadlessWindowSystem;

namespace {

std::vector<std::string> journal;

std::string said(const std::string& who, const char* what, int a = 0, int b = 0)
{
    return who + " " + what + " " + std::to_string(a) + "," + std::to_string(b);
}

// A control that writes every call into the journal.
class Probe : public Control {
public:
    Probe(Container* p, const char* n, int px, int py, uint32_t w, uint32_t h) : Control(p, px, py, w, h), name(n)
    {
    }
    ~Probe() override { journal.push_back(name + " deleted"); }
    bool hitTest(int px, int py) override { return !round || (px - 10) * (px - 10) + (py - 10) * (py - 10) < 100; }
    bool mouseMove(int px, int py, int) override { return log("move", px, py); }
    bool mouseDown(int px, int py, int button, int mods) override
    {
        log("down", px, py);
        if (button == 1 && grabs) parent->setCapture(this);
        if (button == 2) openMenu(px, py);
        lastMods = mods;
        return true;
    }
    bool mouseUp(int px, int py, int, int) override
    {
        if (grabs) parent->setCapture(nullptr);
        return log("up", px, py);
    }
    bool mouseWheel(int px, int py, float distance, int) override
    {
        lastDistance = distance;
        return log("wheel", px, py);
    }
    void mouseLeave() override { journal.push_back(name + " leave"); }
    void captureLost() override { journal.push_back(name + " captureLost"); }
    void menuCommand(uint32_t id) override { log("command", static_cast<int>(id)); }

    void openMenu(int px, int py)
    {
        std::unique_ptr<Menu> menu = parent->createMenu(this);
        menu->addItem("&Reset", 0, true);
        menu->addSeparator();
        menu->addItem("MIDI &Unlearn", 2, false);
        menu->show(px, py);
        log("menu closed");  // the menu may have outlived its window's destruction: still here
    }

    bool log(const char* what, int a = 0, int b = 0)
    {
        journal.push_back(said(name, what, a, b));
        return true;
    }

    std::string name;
    bool round = false, grabs = false;
    int lastMods = 0;
    float lastDistance = 0;
};

class Owner final : public IFrameController, public ITimerController {
public:
    bool canClose() override { return allowClose; }
    void windowDestroyed() override { journal.push_back("owner windowDestroyed"); }
    void onTimer() override { ++ticks; }
    bool allowClose = true;
    int ticks = 0;
};

class ToolkitTest : public ::testing::Test {
protected:
    void SetUp() override { journal.clear(); }
    HeadlessWindowSystem system;
    TestSupport::RecordingDialogs dialogs;
    Owner owner;
};

TEST_F(ToolkitTest, HitRuleExcludesRightAndBottomEdgesAndTheEarliestChildWins)
{
    Container root(nullptr, 200, 100);
    auto* a = new Probe(&root, "a", 10, 10, 20, 20);
    auto* b = new Probe(&root, "b", 20, 20, 20, 20);  // overlaps a's lower right quarter, drawn on top
    auto* round = new Probe(&root, "round", 100, 0, 20, 20);
    round->round = true;
    auto* hidden = new Probe(&root, "hidden", 0, 50, 50, 50);
    hidden->enabled = false;
    const struct {
        int x, y;
        Control* want;
    } cases[] = {{9, 15, nullptr}, {10, 10, a},       {29, 29, a},        {30, 25, b},      {39, 39, b},
                 {40, 39, nullptr}, {39, 40, nullptr}, {-5, -5, nullptr},  {101, 1, nullptr}, {110, 10, round},
                 {10, 60, nullptr}};
    for (const auto& c : cases) EXPECT_EQ(root.childAt(c.x, c.y), c.want) << c.x << ", " << c.y;
    EXPECT_TRUE(root.hitTest(39, 39));
    EXPECT_FALSE(root.hitTest(60, 60));
}

TEST_F(ToolkitTest, RoutingHoversAndLeavesThroughNestedContainersAndCaptureIgnoresTheRest)
{
    auto* host = new Winwrapper(&owner, 300, 200, nullptr);
    auto* frame = new Container(host, 300, 200);
    auto* left = new Probe(frame, "left", 10, 10, 50, 50);
    auto* right = new Probe(frame, "right", 100, 40, 50, 50);
    right->grabs = true;
    HeadlessWindowSystem::Window& window = *system.window;
    auto& e = window.events;

    e.eventMouseMove(15, 20, 0);
    e.eventMouseMove(110, 45, 0);  // into right: left leaves
    e.eventMouseButton(MouseAction::Down, 110, 45, 1, kModShift | kModControl);
    EXPECT_TRUE(window.capture);
    EXPECT_TRUE(host->hasCapture(right));
    e.eventMouseMove(-20, 300, 0);  // far outside the window, still to right
    e.eventMouseMove(20, 20, 0);    // over left: no leave, no move for left
    e.eventMouseWheel(20, 20, 3.0f, 0);
    e.eventMouseButton(MouseAction::Up, 20, 20, 1, 0);
    EXPECT_FALSE(window.capture);
    e.eventMouseMove(20, 20, 0);  // routing again: right leaves, left is hovered
    e.eventMouseLeft();           // the leave goes down the hovered chain
    e.eventMouseButton(MouseAction::DoubleClick, 30, 30, 1, 0);  // no own doubleClick: a second press

    // Taking the capture leaves the hovered chain (down to the captor itself);
    // releasing it tells the captor too.
    const std::vector<std::string> want = {
        said("left", "move", 5, 10),      "left leave",
        said("right", "move", 10, 5),     said("right", "down", 10, 5),
        "right leave",                    said("right", "move", -120, 260),
        said("right", "move", -80, -20),  said("right", "wheel", -80, -20),
        "right captureLost",              said("right", "up", -80, -20),
        "right leave",                    said("left", "move", 10, 10),
        "left leave",                     said("left", "down", 20, 20),
    };
    EXPECT_EQ(journal, want);
    EXPECT_EQ(right->lastMods, kModShift | kModControl);
    EXPECT_EQ(right->lastDistance, 3.0f);

    // A capture taken over: the previous holder hears it; a system capture change ends it.
    host->setCapture(left);
    journal.clear();
    host->setCapture(right);
    window.events.eventCaptureChanged();
    EXPECT_EQ(host->captured, nullptr);
    EXPECT_EQ(journal, (std::vector<std::string>{"left captureLost", "left leave", "right captureLost"}));
    window.destroy();  // deletes the host and the tree
}

TEST_F(ToolkitTest, MenusAnchorInWindowCoordinatesAndCommandsReachTheirOwnerOnce)
{
    auto* host = new Winwrapper(&owner, 300, 200, nullptr);
    auto* frame = new Container(host, 300, 200);
    auto* knob = new Probe(frame, "knob", 100, 40, 50, 50);
    HeadlessWindowSystem::Window& window = *system.window;
    bool openDuringShow = false;
    HeadlessWindowSystem::Menu menu(system);  // a copy of the one shown
    system.onMenu = [&](HeadlessWindowSystem::Menu& shown) {
        openDuringShow = host->isMenuOpenFor(knob);
        menu.items = shown.items, menu.x = shown.x, menu.y = shown.y;
    };

    window.events.eventMouseButton(MouseAction::Down, 105, 46, 2, 0);
    EXPECT_TRUE(openDuringShow);
    EXPECT_EQ(menu.x, 105);
    EXPECT_EQ(menu.y, 46);
    ASSERT_EQ(menu.items.size(), 3u);
    EXPECT_FALSE(menu.items[2].enabled);
    EXPECT_TRUE(menu.items[1].separator);
    const int redraws = window.invalidations;
    window.events.eventCaptureChanged();  // the menu's end
    EXPECT_FALSE(host->menuOpen);
    EXPECT_EQ(window.invalidations, redraws + 1);
    window.events.eventCommand(2);
    window.events.eventCommand(0);  // no owner any more: nothing
    EXPECT_EQ(journal.back(), said("knob", "command", 2));
    EXPECT_EQ(std::count(journal.begin(), journal.end(), said("knob", "command", 0)), 0);

    // A question goes to the window; the answer comes back.
    system.answerOk = false;
    EXPECT_FALSE(knob->confirm("Load the factory defaults?", "Vesk2"));
    EXPECT_EQ(window.questions, std::vector<std::string>{"Load the factory defaults?"});
    window.destroy();
}

TEST_F(ToolkitTest, TimerRunsOnceAndStopsFailuresAreReported)
{
    auto* host = new Winwrapper(&owner, 300, 200, nullptr);
    HeadlessWindowSystem::Window& window = *system.window;
    host->setTimer(&owner);
    host->setTimer(&owner);
    EXPECT_TRUE(window.timerRunning);
    EXPECT_EQ(window.period, 10u);
    window.events.eventTimer();
    EXPECT_EQ(owner.ticks, 1);
    host->setTimer(nullptr);
    EXPECT_FALSE(window.timerRunning);
    window.events.eventTimer();
    EXPECT_EQ(owner.ticks, 1);

    system.refuseTimers = true;
    host->setTimer(&owner);
    EXPECT_EQ(host->timerTarget, nullptr);

    // Closing asks the owner first.
    owner.allowClose = false;
    window.events.eventClose();
    EXPECT_TRUE(host->windowCreated());
    // Painting without a GL surface: the black fill, and the next paint tries again.
    window.events.eventPaint();
    window.events.eventPaint();
    EXPECT_EQ(window.blackFills, 2);
    EXPECT_EQ(host->device, nullptr);
    owner.allowClose = true;
    window.events.eventClose();
    EXPECT_EQ(system.window, nullptr) << "closing destroyed the window and its host";

    // A refused window: reported, never painted, deleted by its owner.
    system.refuseWindows = true;
    auto* orphan = new Winwrapper(&owner, 300, 200, nullptr);
    EXPECT_FALSE(orphan->windowCreated());
    orphan->setTimer(&owner);
    delete orphan;

    ASSERT_EQ(dialogs.boxes.size(), 2u);
    EXPECT_EQ(dialogs.boxes[0].text, "Failed to create timer.");
    EXPECT_EQ(dialogs.boxes[1].text, "Failed to create a control.");
    for (const auto& box : dialogs.boxes) {
        EXPECT_EQ(box.caption, "Error!");
        EXPECT_EQ(box.style, Platform::kMbIconError);
    }
}

TEST_F(ToolkitTest, WindowDestroyedDuringAMenuIsDeletedWhenTheClickHandlingReturns)
{
    auto* host = new Winwrapper(&owner, 300, 200, nullptr);
    auto* frame = new Container(host, 300, 200);
    new Probe(frame, "first", 0, 0, 10, 10);
    new Probe(frame, "knob", 100, 40, 50, 50);
    host->setTimer(&owner);
    HeadlessWindowSystem::Window* window = system.window;
    system.onMenu = [&](HeadlessWindowSystem::Menu&) {
        NativeWindowEvents& events = window->events;
        window->destroy();  // the host's window closes while the menu is up
        journal.push_back("destroy returned");
        events.eventTimer();  // nothing more reaches the tree
        events.eventCommand(0);
        events.eventPaint();
    };
    window->events.eventMouseButton(MouseAction::Down, 110, 50, 2, 0);
    const std::vector<std::string> want = {said("knob", "down", 10, 10), "owner windowDestroyed",
                                           "destroy returned", said("knob", "menu closed"),
                                           "knob deleted", "first deleted"};
    EXPECT_EQ(journal, want);
    EXPECT_EQ(owner.ticks, 0);
    EXPECT_EQ(system.window, nullptr);
}

TEST_F(ToolkitTest, DrawnPopupsAnswerKeysPointerAndButtonsAndStayOnTheScreen)
{
    // Where the system has no menus (X11) the toolkit draws them: the user is
    // played through the popup's own events while it is up.
    system.drawnPopups = true;
    auto* host = new Winwrapper(&owner, 560, 170, nullptr);
    auto* panel = new Probe(host, "panel", 0, 0, 560, 170);
    HeadlessWindowSystem::Window& window = *system.window;
    using Popup = HeadlessWindowSystem::Window;
    auto key = [](Key k, char c = 0) { return [k, c](Popup& p) { p.events.eventKey(k, c); }; };
    auto keys = [](std::vector<Key> ks) {
        return [ks](Popup& p) {
            for (Key k : ks) p.events.eventKey(k, 0);
        };
    };
    auto click = [](int x, int y) {
        return [x, y](Popup& p) {
            p.events.eventMouseMove(x, y, 0);
            p.events.eventMouseButton(MouseAction::Down, x, y, 1, 0);
            p.events.eventMouseButton(MouseAction::Up, x, y, 1, 0);
        };
    };
    // Rows of 20 pixels from y = 2, the separator 9: Alpha, -, Beta, Gamma (greyed), Delta.
    const int alpha = 12, beta = 41, gamma = 61, delta = 81;
    const struct {
        const char* what;
        std::function<void(Popup&)> user;
        int chosen;  // -1: none
    } menuRows[] = {
        {"Down, Enter: the first item", keys({Key::Down, Key::Enter}), 10},
        {"Up, Enter: the last item", keys({Key::Up, Key::Enter}), 13},
        {"Up, Down wraps to the first", keys({Key::Up, Key::Down, Key::Enter}), 10},
        {"Down, Up wraps to the last", keys({Key::Down, Key::Up, Key::Enter}), 13},
        {"Down skips the separator and the greyed item", keys({Key::Down, Key::Down, Key::Down, Key::Enter}), 13},
        {"Enter with nothing highlighted", key(Key::Enter), -1},
        {"Escape", key(Key::Escape), -1},
        {"an accelerator", key(Key::Other, 'b'), 11},
        {"a greyed item's accelerator", key(Key::Other, 'g'), -1},
        {"a click on the first item", click(30, alpha), 10},
        {"a click on the last item", click(30, delta), 13},
        {"a click on Beta", click(30, beta), 11},
        {"a click on the greyed item", click(30, gamma), -1},
        {"a click elsewhere", click(-20, alpha), -1},
    };
    for (const auto& row : menuRows) {
        SCOPED_TRACE(row.what);
        system.onPopup = row.user;
        std::unique_ptr<Menu> menu = host->createMenu(panel);
        menu->addItem("&Alpha", 10, true);
        menu->addSeparator();
        menu->addItem("&Beta", 11, true);
        menu->addItem("&Gamma", 12, false);
        menu->addItem("&Delta", 13, true);
        window.posted.clear();
        menu->show(100, 50);
        EXPECT_EQ(system.popup, nullptr) << "the popup is gone";
        EXPECT_FALSE(host->menuOpen) << "its end is a capture change";
        EXPECT_EQ(window.posted, row.chosen < 0 ? std::vector<uint32_t>{} : std::vector<uint32_t>{uint32_t(row.chosen)});
    }

    const struct {
        const char* what;
        std::function<void(Popup&)> user;
        bool ok;
    } questionRows[] = {
        {"the OK button", [&](Popup& p) { click(p.width - 140, p.height - 20)(p); }, true},
        {"the Cancel button", [&](Popup& p) { click(p.width - 50, p.height - 20)(p); }, false},
        {"Enter", key(Key::Enter), true},
        {"Escape", key(Key::Escape), false},
    };
    for (const auto& row : questionRows) {
        system.onPopup = row.user;
        EXPECT_EQ(panel->confirm("Loading factor default settings and presets.", "Vesk2"), row.ok) << row.what;
    }

    // Near the screen's bottom right the popups open inside it: the menu above
    // its anchor, as Windows menus do.
    const struct {
        const char* what;
        int windowX, windowY;
        std::function<void()> open;
        bool aboveAnchor;
    } placeRows[] = {
        {"a menu whose anchor is just above the bottom edge", 700, 852, [&] { host->createMenu(panel)->show(470, 170); }, true},
        {"a menu below the screen", 1000, 1000, [&] { host->createMenu(panel)->show(470, 170); }, false},
        {"the question", 1000, 1000, [&] { panel->confirm("Loading default settings and presets.", "Vesk2"); }, false},
    };
    for (const auto& row : placeRows) {
        SCOPED_TRACE(row.what);
        window.x = row.windowX, window.y = row.windowY;
        int x = 0, y = 0, w = 0, h = 0;
        system.onPopup = [&](Popup& p) {
            x = p.x, y = p.y, w = p.width, h = p.height;
            p.events.eventKey(Key::Escape, 0);
        };
        row.open();
        ASSERT_GT(w, 0) << "no popup opened";
        EXPECT_TRUE(x >= 0 && x + w <= 1280 && y >= 0 && y + h <= 1024) << x << "," << y << " " << w << "x" << h;
        if (row.aboveAnchor) {
            EXPECT_EQ(y + h, row.windowY + 170);
        }
    }

    // A popup the system refuses (its keyboard could not be held) shows nothing and chooses nothing.
    system.refusePopups = true;
    window.posted.clear();
    host->createMenu(panel)->show(100, 50);
    EXPECT_TRUE(window.posted.empty());
    EXPECT_FALSE(panel->confirm("Saving new defaults", "Vesk2"));
    window.destroy();
}

#if !defined(_WIN32)
TEST(X11Popups, APopupThatCannotHoldTheKeyboardIsNotOpened)
{
    // Another client holds the keyboard: a popup opened now could never see
    // Escape, so the window system refuses it.
    Display* other = XOpenDisplay(nullptr);
    if (!other) {
        if (std::getenv("VESK_REQUIRE_DISPLAY")) FAIL() << "no X display";
        GTEST_SKIP() << "no X display";
    }
    ASSERT_EQ(XGrabKeyboard(other, DefaultRootWindow(other), False, GrabModeAsync, GrabModeAsync, CurrentTime),
              GrabSuccess);
    XSync(other, False);
    struct Events final : NativeWindowEvents {
        void eventPaint() override {}
        void eventClose() override {}
        void eventDestroyed() override {}
        void eventCommand(uint32_t) override {}
        void eventTimer() override {}
        void eventMouseMove(int, int, int) override {}
        void eventMouseButton(MouseAction, int, int, int, int) override {}
        void eventMouseWheel(int, int, float, int) override {}
        void eventMouseLeft() override {}
        void eventCaptureChanged() override {}
    } events;
    EXPECT_EQ(systemWindowSystem().createPopup(events, 10, 10, 100, 60), nullptr);
    XUngrabKeyboard(other, CurrentTime);
    XSync(other, False);
    auto popup = systemWindowSystem().createPopup(events, 10, 10, 100, 60);
    EXPECT_NE(popup, nullptr) << "with the keyboard free it opens";
    popup.reset();
    XCloseDisplay(other);
}
#endif

TEST(DrawnMenu, TheAcceleratorsLetterIsUnderlinedAndNothingElse)
{
    TestSupport::RecordingContext context;
    DXBlit::Font* font = DXBlit::createFont(context, 8);
    ASSERT_TRUE(font);
    const std::vector<DrawnMenu::Item> items = {{"&Reset to default (0.250 s)", 0, true, false},
                                                {"", 0, false, true},
                                                {"Load &factory defaults...", 2, true, false},
                                                {"MIDI &Unlearn", 3, false, false},
                                                {"No marker", 4, true, false}};
    paintMenuItems(context, *font, items, 200, 0);
    std::vector<DXBlit::Quad> lines;
    for (const auto& call : context.calls)
        if (call.textureMode == DXBlit::kTexColour && call.blendMode == DXBlit::kBlendPremultiplied)
            lines.insert(lines.end(), call.quads.begin(), call.quads.end());
    // Under R, f and U only; each line as wide as its letter, after the text before it.
    const struct {
        const char *before, *letter;
    } want[] = {{"", "R"}, {"Load ", "f"}, {"MIDI ", "U"}};
    ASSERT_EQ(lines.size(), std::size(want));
    for (size_t i = 0; i < lines.size(); ++i) {
        SCOPED_TRACE(want[i].letter);
        EXPECT_NEAR(lines[i].x0 - lines[0].x0, DXBlit::measureText(*font, want[i].before, -1), 1e-4);
        EXPECT_NEAR(lines[i].x1 - lines[i].x0, DXBlit::measureText(*font, want[i].letter, 1), 1e-4);
    }
    DXBlit::disposeFont(font);
}

}  // namespace
