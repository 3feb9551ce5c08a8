// Vesk2's editor without a window: the panel layout, what a mouse does to the
// parameters and to the host's gestures, the menus, the poll, and the editor's
// life against its window and its effect.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "effect/Vesk.h"
#include "platform/system.h"
#include "tests/support/FakeHost.h"
#include "tests/support/HeadlessWindows.h"
#include "tests/support/RecordingDialogs.h"
#include "toolkit/PlugControls.h"

using namespace Vornkit;
using TestSupport::HeadlessWindowSystem;

namespace {

class RecordingUrls final : public Platform::IUrlOpener {
public:
    RecordingUrls() : previous(Platform::setUrlOpener(this)) {}
    ~RecordingUrls() override { Platform::setUrlOpener(previous); }
    void open(const char* address) override { opened.emplace_back(address); }
    std::vector<std::string> opened;

private:
    Platform::IUrlOpener* previous;
};

class EditorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fx = std::make_unique<Vesk>(TestSupport::FakeHost::core());
        editor = static_cast<PlugEditVST*>(fx->getEditor());
        ASSERT_TRUE(editor->open(nullptr));
        window = system.window;
        frame = static_cast<PlugFrame*>(editor->windowHost()->children.at(0));
    }
    void TearDown() override
    {
        fx.reset();  // the effect takes its editor and, still open, the window with it
        EXPECT_EQ(system.window, nullptr);
    }

    NativeWindowEvents& events() { return window->events; }
    void tick() { events().eventTimer(); }
    void press(int x, int y, int button = 1, int mods = 0) { events().eventMouseButton(MouseAction::Down, x, y, button, mods); }
    void release(int x, int y, int button = 1) { events().eventMouseButton(MouseAction::Up, x, y, button, 0); }
    float value(int index) { return fx->getParameter(index); }
    bool gesturesClosed() const { return host.beginEdits.size() == host.endEdits.size(); }

    TestSupport::FakeHost host;
    HeadlessWindowSystem system;
    TestSupport::RecordingDialogs dialogs;
    std::unique_ptr<Vesk> fx;
    PlugEditVST* editor = nullptr;
    HeadlessWindowSystem::Window* window = nullptr;
    PlugFrame* frame = nullptr;
};

TEST_F(EditorTest, PanelHoldsThirteenKnobsAndTheSwitchWhereTheLayoutPutsThem)
{
    int32_t w = 0, h = 0;
    ASSERT_TRUE(editor->getSize(w, h));
    EXPECT_EQ((std::vector<int>{w, h}), (std::vector<int>{560, 170}));
    EXPECT_FALSE(frame->showLogo);
    const struct {
        int param, x, y;
        const char* label;
    } want[] = {{0, 8, 2, "predelay"},      {2, 8, 82, "diffusion"},    {1, 80, 2, "reverb time"},
                {3, 80, 82, "room size"},   {4, 168, 2, "high freq"},   {8, 240, 2, "high scale"},
                {6, 312, 2, "high EQ"},     {10, 392, 2, "high cutoff"}, {5, 168, 82, "low freq"},
                {9, 240, 82, "low scale"},  {7, 312, 82, "low EQ"},     {11, 392, 82, "low cutoff"},
                {13, 472, 62, "output"}};
    ASSERT_EQ(frame->children.size(), 14u);
    for (size_t i = 0; i < std::size(want); ++i) {
        auto* knob = dynamic_cast<PlugKnob*>(frame->children[i]);
        ASSERT_TRUE(knob) << i;
        EXPECT_EQ((std::vector<int>{knob->param, knob->x, knob->y, int(knob->width), int(knob->height)}),
                  (std::vector<int>{want[i].param, want[i].x, want[i].y, 80, 80}));
        EXPECT_STREQ(knob->label, want[i].label);
    }
    auto* mode = dynamic_cast<PlugSwitch*>(frame->children[13]);
    ASSERT_TRUE(mode);
    EXPECT_EQ((std::vector<int>{mode->param, mode->x, mode->y, int(mode->width), int(mode->height), mode->oneLine}),
              (std::vector<int>{12, 472, 40, 80, 24, 0}));
    EXPECT_TRUE(editor->open(nullptr)) << "open on an open editor";
    EXPECT_EQ(system.window, window) << "made nothing new";
}

TEST_F(EditorTest, DragsAndWheelMoveTheValueInsideOneGestureEach)
{
    // "reverb time" (parameter 1) is centred at (120, 42); its default is 0.5.
    const int cx = 120, cy = 42;
    struct Step {
        const char* what;
        std::function<void()> act;
        float want;
    } steps[] = {
        {"up 40 px", [&] { press(cx, cy); events().eventMouseMove(cx, cy - 40, 0); release(cx, cy - 40); }, 0.6f},
        {"fine: up 40 px with Shift", [&] { press(cx, cy); events().eventMouseMove(cx, cy - 40, kModShift); release(cx, cy); }, 0.61f},
        {"no vertical travel sends nothing", [&] { press(cx, cy); events().eventMouseMove(cx + 30, cy, 0); release(cx, cy); }, 0.61f},
        {"up 400 px reaches the top and stays", [&] { press(cx, cy); events().eventMouseMove(cx, cy - 400, 0); events().eventMouseMove(cx, cy - 600, 0); release(cx, cy); }, 1.0f},
        {"down past the bottom stays at 0", [&] { press(cx, cy); events().eventMouseMove(cx, cy + 900, 0); release(cx, cy); }, 0.0f},
        {"a right press during a drag sets 0.5", [&] { press(cx, cy); events().eventMouseMove(cx, cy - 20, 0); press(cx, cy, 2); release(cx, cy); }, 0.5f},
        {"one wheel detent", [&] { events().eventMouseWheel(cx, cy, 1.0f, 0); }, 0.55f},
        {"one fine detent down", [&] { events().eventMouseWheel(cx, cy, -1.0f, kModControl); }, 0.545f},
        {"double click resets to the default", [&] { events().eventMouseButton(MouseAction::DoubleClick, cx, cy, 1, 0); }, 0.5f},
    };
    for (const Step& s : steps) {
        const size_t before = host.beginEdits.size();
        s.act();
        tick();  // controls start from the value the editor shows
        EXPECT_NEAR(value(1), s.want, 1e-5) << s.what;
        EXPECT_TRUE(gesturesClosed()) << s.what;
        EXPECT_GE(host.beginEdits.size(), before + 1) << s.what;
    }
    // The knob takes presses inside the circle of radius 32 around its centre
    // only: the rest of its square lets them through (here to the frame).
    const struct {
        int dx, dy;
        bool hits;
    } edge[] = {{31, 0, true}, {32, 0, false}, {0, -31, true}, {0, -32, false},
                {-22, 22, true}, {-23, 23, false}, {-38, -38, false}};
    for (const auto& p : edge) {
        const size_t before = host.beginEdits.size();
        press(cx + p.dx, cy + p.dy);
        release(cx + p.dx, cy + p.dy);
        EXPECT_EQ(host.beginEdits.size(), before + p.hits) << p.dx << "," << p.dy;
    }
    EXPECT_TRUE(gesturesClosed());
    EXPECT_NEAR(value(1), 0.5f, 1e-6);
}

TEST_F(EditorTest, InputsBetweenPollsStartFromTheLastValueSent)
{
    // Events that arrive together, before the next tick: each input must build
    // on the value the one before it sent, not on the value the panel shows.
    const int cx = 120, cy = 42;  // "reverb time", 0.5
    struct Step {
        const char* what;
        std::function<void()> act;
        int param;
        float want;
    } steps[] = {
        {"four wheel detents", [&] { for (int i = 0; i < 4; ++i) events().eventMouseWheel(cx, cy, 1.0f, 0); }, 1, 0.7f},
        {"a drag after them", [&] { press(cx, cy); events().eventMouseMove(cx, cy - 40, 0); release(cx, cy - 40); }, 1, 0.8f},
        {"a detent in a second drag", [&] { press(cx, cy); events().eventMouseWheel(cx, cy, -2.0f, 0); release(cx, cy); }, 1, 0.7f},
        {"two clicks on the switch", [&] { press(512, 52); press(512, 52); }, 12, 0.0f},
    };
    for (const Step& s : steps) {
        s.act();
        EXPECT_NEAR(value(s.param), s.want, 1e-5) << s.what;
    }
    EXPECT_TRUE(gesturesClosed());
}

TEST_F(EditorTest, ADragCutOffByTheHostEndsItsGesture)
{
    // The host ends the editor in the middle of a drag, with no idle call or
    // release in between: every begun gesture still ends, exactly once.
    const int cx = 120, cy = 42;
    struct Way {
        const char* what;
        std::function<void()> end;
    } ways[] = {
        {"effEditClose", [&] { editor->close(); window->destroy(); }},
        {"the host destroys its window", [&] { window->destroy(); }},
        {"effEditClose, then reopened at once", [&] { editor->close(); }},
    };
    for (const Way& w : ways) {
        press(cx, cy);
        events().eventMouseMove(cx, cy - 20, 0);
        ASSERT_FALSE(gesturesClosed()) << w.what;
        w.end();
        EXPECT_TRUE(gesturesClosed()) << w.what;
        ASSERT_TRUE(editor->open(nullptr)) << w.what;
        window = system.window;
    }
    press(cx, cy);
    fx.reset();  // the effect goes with its editor open and dragging
    EXPECT_TRUE(gesturesClosed()) << "the effect closed mid-drag";
    EXPECT_EQ(host.endEdits.size(), 4u);
}

TEST_F(EditorTest, TheEndOfALearnRepaintsEvenWhenTheValueStays)
{
    // Controller 64 maps to 64/127, the value "reverb time" already has: the
    // poll sees no change, yet "..learning.." must go.
    fx->setSampleRate(44100.0f);
    fx->setBlockSize(64);
    fx->resume();
    fx->setParameter(1, 64 * 0.007874016f);
    tick();
    frame->children[2]->menuCommand(1);  // "reverb time": MIDI Learn
    ASSERT_TRUE(fx->isLearning(1));
    const int before = window->invalidations;
    struct Controller7 final : PlugCore::IEventList {
        int32_t size() const override { return 1; }
        PlugCore::TimedEvent at(int32_t) const override
        {
            PlugCore::TimedEvent e;
            e.kind = PlugCore::TimedEvent::Kind::Midi;
            e.midi[0] = 0xB0, e.midi[1] = 7, e.midi[2] = 64;
            return e;
        }
    } controller7;
    std::vector<double> in(64), outL(64), outR(64);
    double* ins[2] = {in.data(), in.data()};
    double* outs[2] = {outL.data(), outR.data()};
    fx->processDouble(ins, outs, 64, &controller7);
    ASSERT_FALSE(fx->isLearning(1));
    ASSERT_EQ(fx->getMidiKey(1), static_cast<int16_t>(0xB007));
    tick();
    EXPECT_GT(window->invalidations, before) << "the panel still shows ..learning..";
}

TEST_F(EditorTest, SwitchTogglesAndADoubleClickTogglesTwice)
{
    const int x = 512, y = 52;  // the mode switch; the editor shows a change one tick later
    press(x, y);
    tick();
    EXPECT_EQ(value(12), 1.0f);
    press(x, y);
    tick();
    EXPECT_EQ(value(12), 0.0f);
    fx->setParameter(12, 0.5f);
    tick();
    press(x, y);
    tick();
    EXPECT_EQ(value(12), 1.0f) << "0.5 is not above the middle";
    press(x, y);
    tick();
    events().eventMouseButton(MouseAction::DoubleClick, x, y, 1, 0);
    EXPECT_EQ(value(12), 1.0f);
    EXPECT_EQ(host.beginEdits.size(), 5u);
    EXPECT_TRUE(gesturesClosed());
}

TEST_F(EditorTest, KnobMenuLearnsAndUnlearnsAndAPressCancelsLearning)
{
    std::vector<HeadlessWindowSystem::Item> items;
    system.onMenu = [&](HeadlessWindowSystem::Menu& m) { items = m.items; };
    press(120, 42, 2);
    ASSERT_EQ(items.size(), 4u);
    EXPECT_EQ(items[0].text.rfind("&Reset to default (", 0), 0u) << items[0].text;
    EXPECT_EQ(items[0].text.substr(items[0].text.size() - 3), " s)") << items[0].text;
    EXPECT_TRUE(items[1].separator);
    EXPECT_EQ(items[2].text, "MIDI &Learn");
    EXPECT_EQ(items[3].text, "MIDI &Unlearn");
    EXPECT_FALSE(items[3].enabled);

    events().eventCommand(1);  // MIDI Learn
    EXPECT_TRUE(fx->isLearning(1));
    press(120, 42);  // any press on the knob ends the learn first
    release(120, 42);
    EXPECT_FALSE(fx->isLearning(1));

    fx->assignMidiKey(1, 7);
    press(120, 42, 2);
    EXPECT_EQ(items[3].text, "MIDI &Unlearn (chan:1, cc:7)");
    EXPECT_TRUE(items[3].enabled);
    events().eventCommand(2);
    EXPECT_EQ(fx->getMidiKey(1), -1);
}

TEST_F(EditorTest, FrameMenuAsksBeforeActingAndOpensTheMakersSite)
{
    RecordingUrls urls;
    std::vector<HeadlessWindowSystem::Item> items;
    system.onMenu = [&](HeadlessWindowSystem::Menu& m) { items = m.items; };
    press(555, 165, 2);
    ASSERT_EQ(items.size(), 5u);
    EXPECT_EQ(items[0].text, "&Save defaults...");
    EXPECT_EQ(items[2].text, "Load &factory defaults...");
    EXPECT_EQ(items[4].text, "&Go to morlenvale.example");
    press(470, 165, 2);  // left of the corner: no menu
    EXPECT_EQ(items.size(), 5u);

    std::string path;
    ASSERT_TRUE(fx->defaultsPath(path));
    std::remove(path.c_str());
    system.answerOk = false;
    press(555, 165);
    events().eventCommand(0);
    EXPECT_EQ(std::fopen(path.c_str(), "rb"), nullptr) << "cancelled: nothing saved";
    system.answerOk = true;
    press(555, 165);
    events().eventCommand(0);
    std::FILE* saved = std::fopen(path.c_str(), "rb");
    EXPECT_NE(saved, nullptr);
    if (saved) std::fclose(saved);
    std::remove(path.c_str());
    EXPECT_EQ(window->questions.size(), 2u);
    EXPECT_EQ(window->questions[0].rfind("Saving new defaults for:", 0), 0u);

    press(555, 165);
    events().eventCommand(3);
    EXPECT_EQ(urls.opened, std::vector<std::string>{"https://morlenvale.example/"});
}

TEST_F(EditorTest, PollShowsChangesWithinATickAndAfterReopening)
{
    fx->setParameter(3, 0.9f);
    tick();
    EXPECT_EQ(editor->cachedValue(3), 0.9f);
    const int redraws = window->invalidations;
    tick();
    EXPECT_EQ(window->invalidations, redraws) << "an unchanged panel is not repainted";

    editor->close();
    fx->setParameter(4, 0.1f);
    window->destroy();  // the host ends the closed editor's window
    ASSERT_TRUE(editor->open(nullptr));
    window = system.window;
    tick();
    EXPECT_EQ(editor->cachedValue(4), 0.1f);

    // The host destroys the window while the editor is open: the editor closes itself.
    window->destroy();
    EXPECT_FALSE(editor->isOpen());
    EXPECT_TRUE(editor->paramChanged(99, 1.0f)) << "an index beyond the cache is ignored";
    for (int i = 0; i < 20; ++i) {
        ASSERT_TRUE(editor->open(nullptr));
        editor->close();
    }
    window = system.window;  // left open for TearDown: the effect goes first
    ASSERT_TRUE(editor->open(nullptr));
    window = system.window;
}

}  // namespace
