// Vesk2's editor at a scale, without a window: the window's size, the pointer
// turned back into logical pixels (same values from the same logical
// gestures, hit testing at the edges of a control at a fractional scale),
// menus where they open at 100 % times the scale, and where the scale comes
// from (the user's choice first, the host, the system or the host window's
// monitor; a host that refuses to resize keeps the old size).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "effect/Vesk.h"
#include "platform/userfiles.h"
#include "tests/support/FakeHost.h"
#include "tests/support/HeadlessWindows.h"
#include "tests/support/RecordingDialogs.h"
#include "toolkit/PlugEditor.h"

using namespace Vornkit;
using TestSupport::HeadlessWindowSystem;

namespace {

// An editor of its own effect, opened at a host's scale (0: none).
struct Opened {
    explicit Opened(double hostScale)
    {
        fx = std::make_unique<Vesk>(TestSupport::FakeHost::core());
        editor = static_cast<PlugEditVST*>(fx->getEditor());
        if (hostScale > 0) editor->setHostScale(hostScale);
        opened = editor->open(nullptr);
    }
    std::unique_ptr<Vesk> fx;
    PlugEditVST* editor = nullptr;
    bool opened = false;
};

class ScaleTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        // The user's choice is kept for every editor: none may outlive this test.
        std::string folder;
        if (Platform::appDataFolder(folder))
            std::remove((folder + Platform::pathSeparator() + "Morlenvale" + Platform::pathSeparator() + "Vesk2.editor").c_str());
    }

    HeadlessWindowSystem system;
    TestSupport::FakeHost host;
    TestSupport::RecordingDialogs dialogs;

    // A drag of `dy` window pixels and a wheel detent on "reverb time"
    // (logical centre 120, 42), then the parameter's value.
    float dragAndWheel(double scale, int dy)
    {
        Opened e(scale);
        EXPECT_TRUE(e.opened);
        auto& w = *system.window;
        const int x = static_cast<int>(120 * (scale > 0 ? scale : 1)), y = static_cast<int>(42 * (scale > 0 ? scale : 1));
        w.events.eventMouseButton(MouseAction::Down, x, y, 1, 0);
        w.events.eventMouseMove(x, y - dy, 0);
        w.events.eventMouseButton(MouseAction::Up, x, y - dy, 1, 0);
        w.events.eventMouseWheel(x, y, 1.0f, 0);
        return e.fx->getParameter(1);
    }
};

}  // namespace

TEST_F(ScaleTest, AtTwoHundredPercentWindowPointerAndMenusAreTwiceAsLarge)
{
    const float at100 = dragAndWheel(0, 40);
    const float at200 = dragAndWheel(2.0, 80);
    EXPECT_NE(at100, 0.5f) << "the drag moved the knob";
    EXPECT_EQ(at200, at100) << "the same logical drag and detent give the same value";

    Opened e(2.0);
    int32_t w = 0, h = 0;
    e.editor->getSize(w, h);
    EXPECT_EQ(w, 1120);
    EXPECT_EQ(h, 340);
    EXPECT_EQ(system.window->width, 1120);
    EXPECT_EQ(system.window->height, 340);
    // The knob's menu: at 100 % it opens at the pointer's spot (120, 42 plus the
    // knob's own anchor); here at twice those window pixels.
    int menuX[2] = {-1, -1}, menuY[2] = {-1, -1};
    for (int k = 0; k < 2; ++k) {
        Opened m(k == 0 ? 0 : 2.0);
        const int s = k == 0 ? 1 : 2;
        system.onMenu = [&](HeadlessWindowSystem::Menu& menu) { menuX[k] = menu.x, menuY[k] = menu.y; };
        system.window->events.eventMouseButton(MouseAction::Down, 120 * s, 42 * s, 2, 0);
        ASSERT_GE(menuX[k], 0) << "no menu";
    }
    EXPECT_EQ(menuX[1], 2 * menuX[0]);
    EXPECT_EQ(menuY[1], 2 * menuY[0]);
}

TEST_F(ScaleTest, AtOneHundredFiftyPercentSizesRoundAndEdgesHitWhereTheLayoutPutsThem)
{
    Opened e(1.5);
    EXPECT_EQ(system.window->width, 840);
    EXPECT_EQ(system.window->height, 255);
    // The mode switch covers logical x 472 to 551 (y 40 to 63): window pixels
    // 708 to 827; a click inside toggles it.
    const struct {
        int x;
        bool hits;
    } clicks[] = {{707, false}, {708, true}, {827, true}, {828, false}};
    for (const auto& c : clicks) {
        SCOPED_TRACE(c.x);
        const float before = e.fx->getParameter(12);
        system.window->events.eventMouseButton(MouseAction::Down, c.x, 78, 1, 0);
        system.window->events.eventMouseButton(MouseAction::Up, c.x, 78, 1, 0);
        EXPECT_EQ(e.fx->getParameter(12) != before, c.hits);
    }
}

TEST_F(ScaleTest, TheUsersChoiceComesFirstThenTheHostThenTheSystem)
{
    system.systemScaleValue = 1.25f;
    Opened e(0);
    int32_t w = 0, h = 0;
    e.editor->getSize(w, h);
    EXPECT_EQ(w, 700) << "the system's 125 %";
    EXPECT_EQ(h, 213) << "212.5 rounds up";
    e.editor->setHostScale(1.5);  // an open editor follows the host at once
    EXPECT_EQ(system.window->width, 840);
    EXPECT_TRUE(host.sizeRequests.empty()) << "the host chose the size: nothing to ask";

    // The user's 200 % beats the host's: the host is asked to resize and the
    // editor reopens at that size; a host that refuses keeps the old one.
    e.editor->chooseSize(200);
    ASSERT_EQ(host.sizeRequests.size(), 1u);
    EXPECT_EQ(host.sizeRequests[0], (std::pair<int, int>{1120, 340}));
    EXPECT_EQ(system.window->width, 1120);
    EXPECT_EQ(e.editor->chosenSize(), 200);
    host.acceptSize = false;
    e.editor->chooseSize(300);
    EXPECT_EQ(system.window->width, 1120) << "refused: the old size and scale stay";
    EXPECT_FALSE(e.editor->setHostScale(2.5)) << "the user's choice decides";
    host.acceptSize = true;
    e.editor->chooseSize(0);  // Automatic again: the host's scale
    EXPECT_EQ(system.window->width, 1400);
    EXPECT_EQ(e.editor->chosenSize(), 0);
}

TEST_F(ScaleTest, TheSizeSubmenuMarksTheChoiceAndOnlyItsSizesAreKept)
{
    Opened e(0);
    auto marks = [&](int scale100) {
        std::vector<bool> checked;
        system.onMenu = [&](HeadlessWindowSystem::Menu& m) {
            ASSERT_EQ(m.submenus.size(), 1u);
            for (const auto& item : m.submenus[0].menu->items) checked.push_back(item.checked);
        };
        system.window->events.eventMouseButton(MouseAction::Down, 555 * scale100 / 100, 165 * scale100 / 100, 2, 0);
        return checked;
    };
    using Marks = std::vector<bool>;
    EXPECT_EQ(marks(100), (Marks{true, false, false, false, false, false, false, false})) << "Automatic";
    e.editor->chooseSize(150);
    EXPECT_EQ(marks(150), (Marks{false, false, false, true, false, false, false, false})) << "150 %";

    // A choice file edited by hand or damaged: a size the menu does not offer is Automatic.
    std::string folder;
    ASSERT_TRUE(Platform::appDataFolder(folder));
    const std::string path = folder + Platform::pathSeparator() + "Morlenvale" + Platform::pathSeparator() + "Vesk2.editor";
    for (const char* text : {"size=110\n", "size=1000\n", "size=\n", "150\n", "size=200\n"}) {
        ASSERT_TRUE(Platform::writeFileReplacing(path, text, std::strlen(text)));
        EXPECT_EQ(e.editor->chosenSize(), std::strcmp(text, "size=200\n") == 0 ? 200 : 0) << text;
    }
}

TEST_F(ScaleTest, AHostWindowOnAMonitorOfItsOwnScaleGetsTheSizeThatFitsIt)
{
    system.windowScaleValue = 2.0f;  // the host's window on a 200 % monitor, the system at 100 %
    auto fx = std::make_unique<Vesk>(TestSupport::FakeHost::core());
    auto* editor = static_cast<PlugEditVST*>(fx->getEditor());
    int32_t w = 0, h = 0;
    editor->getSize(w, h);
    EXPECT_EQ(w, 560) << "before there is a window: the system's scale";
    int parent = 0;
    ASSERT_TRUE(editor->open(&parent));
    ASSERT_EQ(host.sizeRequests.size(), 1u);
    EXPECT_EQ(host.sizeRequests[0], (std::pair<int, int>{1120, 340}));
    EXPECT_EQ(system.window->width, 1120);
    editor->close();
    host.acceptSize = false;  // a host that refuses gets the size it was told
    ASSERT_TRUE(editor->open(&parent));
    EXPECT_EQ(system.window->width, 560);
    editor->close();
}

TEST_F(ScaleTest, DrawnMenusFollowTheScaleAndTheSizeSubmenuWorksByKeys)
{
    // Where the toolkit draws its menus (X11): twice the size at 200 %.
    system.drawnPopups = true;
    using Popup = HeadlessWindowSystem::Window;
    int size[2][4] = {};
    for (int k = 0; k < 2; ++k) {
        Opened e(k == 0 ? 0 : 2.0);
        system.onPopup = [&](Popup& p) {
            size[k][0] = p.width, size[k][1] = p.height, size[k][2] = p.x, size[k][3] = p.y;
            p.events.eventKey(Key::Escape, 0);
        };
        const int s = k + 1;
        system.window->events.eventMouseButton(MouseAction::Down, 120 * s, 42 * s, 2, 0);  // the knob's menu
    }
    ASSERT_GT(size[0][0], 0);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(size[1][i], 2 * size[0][i]) << "size and place, item " << i;

    // Save, Load, Factory, Size: Right opens the submenu with its first entry
    // (Automatic) lit; Left goes back; Right again, two steps down, Return: 125 %.
    Opened e(2.0);
    int submenus = 0;
    system.onPopup = [&](Popup& root) {
        for (Key k : {Key::Down, Key::Down, Key::Down, Key::Down}) root.events.eventKey(k, 0);
        system.onPopup = [&](Popup& sub) {
            ++submenus;
            const std::vector<Key> keys = submenus == 1 ? std::vector<Key>{Key::Down, Key::Left}
                                                        : std::vector<Key>{Key::Down, Key::Down, Key::Enter};
            for (Key k : keys) sub.events.eventKey(k, 0);
        };
        root.events.eventKey(Key::Right, 0);
        root.events.eventKey(Key::Right, 0);
    };
    auto& window = *system.window;
    window.events.eventMouseButton(MouseAction::Down, 1110, 330, 2, 0);
    EXPECT_EQ(submenus, 2);
    EXPECT_EQ(window.posted, std::vector<uint32_t>{kSizeCommand + 2}) << "125 %, chosen in the submenu";
}
