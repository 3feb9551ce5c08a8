// The lock-free hand-over between the host's GUI thread and its audio thread:
// learns started and cancelled, chunks loaded, programs switched and the
// editor polled while blocks with controllers are processed. Meant to be run
// under ThreadSanitizer as well (the linux-tsan preset).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <random>
#include <thread>

#include "tests/core/ChunkBytes.h"
#include "tests/core/TestEffect.h"
#include "tests/support/RecordingDialogs.h"

using CoreTest::ChunkBytes;
using CoreTest::EventList;
using CoreTest::TestEffect;

namespace {

constexpr int32_t kBlock = 256;

/// A host callback that may be called from both threads at once.
struct SharedHost {
    static inline std::atomic<int> automations{0};
    static inline std::atomic<int> timeRequests{0};
    static inline VstTimeInfo time = [] {
        VstTimeInfo t{};
        t.tempo = 125.0;
        t.ppqPos = 3.0;
        t.flags = kVstTempoValid | kVstPpqPosValid | kVstTransportPlaying;
        return t;
    }();
    static VstIntPtr VSTCALLBACK callback(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
    {
        switch (opcode) {
        case audioMasterAutomate: ++automations; return 0;
        case audioMasterGetTime: ++timeRequests; return reinterpret_cast<VstIntPtr>(&time);
        case audioMasterVersion: return 2400;
        default: return 0;
        }
    }
};

/// An editor guarding itself with a try-flag, as the real one does: a
/// notification that finds it busy is refused (values) or dropped (mappings).
class GuardedEditor : public PlugCore::IEditor, public PlugCore::IParamNotify {
public:
    bool getSize(int32_t&, int32_t&) override { return false; }
    bool open(void*) override { return false; }
    void close() override {}
    bool isOpen() const override { return false; }
    bool paramChanged(uint32_t index, float value) override
    {
        if (busy.exchange(true)) return false;
        if (index < CoreTest::kMaxParams) shown[index] = value;
        ++valueChanges;
        busy.store(false);
        return true;
    }
    void midiMapChanged(uint32_t) override
    {
        if (busy.exchange(true)) return;
        ++mapChanges;
        busy.store(false);
    }

    std::atomic<bool> busy{false};
    std::atomic<int> valueChanges{0};
    std::atomic<int> mapChanges{0};
    float shown[CoreTest::kMaxParams] = {};  // GUI thread only
};

int32_t key(int controller) { return static_cast<int16_t>(0xB000 + controller); }

}  // namespace

TEST(Concurrency, GuiAndAudioThreadsShareTheCore)
{
    TestSupport::RecordingDialogs dialogs;  // only ever used on the GUI thread
    TestEffect fx(SharedHost::callback);
    fx.recording = false;
    auto* editor = new GuardedEditor;
    fx.attachEditor(editor);
    fx.setSampleRate(44100.0f);
    fx.setBlockSize(kBlock);
    fx.resume();

    // Chunks map controllers 1 to 3 only, and the audio thread sends controllers
    // 20, 21 and 74 only, so each key is written by one thread and no key can
    // ever end up held twice.
    const std::vector<uint8_t> preset = ChunkBytes()
                                            .name("CoreFx")
                                            .value(0, 10000)
                                            .value(5, 60000)
                                            .map(0, 0xB001)
                                            .map(5, 0xB002)
                                            .map(9, 0xB003)
                                            .bytes;
    const std::vector<uint8_t> foreign = ChunkBytes().name("Elsewhere").value(1, 64000).map(1, 0xB001).bytes;
    const std::vector<uint8_t> damaged = ChunkBytes().name("CoreFx").value(2, 100).map(3, 0xB002).raw({9}).bytes;
    std::vector<uint8_t> bank;
    {
        TestEffect source(SharedHost::callback);
        source.assignMidiKey(7, key(3));
        bank = source.chunk(false);
    }

    std::vector<EventList> lists(4);
    for (int k = 0; k < 8; ++k) {
        lists[0].cc(k * 30, 20, static_cast<uint8_t>(k * 16));
        lists[1].cc(k * 25 + 3, 21, static_cast<uint8_t>(127 - k * 16), static_cast<uint8_t>(k));
        lists[2].cc(k * 31, 74, static_cast<uint8_t>(k * 9)).note(k * 31 + 1, static_cast<uint8_t>(60 + k));
    }
    lists[3].cc(0, 120, 0).cc(10, 123, 0).cc(100, 20, 64).cc(kBlock + 5, 21, 1);
    std::vector<VstEvents*> events;
    for (EventList& l : lists) events.push_back(l.get());

    std::atomic<bool> stop{false};
    std::atomic<int> blocks{0};
    std::thread audio([&] {
        std::vector<float> inL(kBlock, 0.1f), inR(kBlock, -0.1f), outL(kBlock), outR(kBlock);
        float* in[2] = {inL.data(), inR.data()};
        float* out[2] = {outL.data(), outR.data()};
        for (int n = 0; !stop.load() || n < 200; ++n) {
            fx.processEvents(events[static_cast<size_t>(n) % events.size()]);
            fx.processReplacing(in, out, kBlock - (n % 7));
            if (n % 5 == 0) fx.setParameter(n % 14, static_cast<float>(n % 100) / 100.0f);  // automation
            ++blocks;
        }
    });

    std::mt19937 rng(7);
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
    int operations = 0;
    for (; std::chrono::steady_clock::now() < until || operations < 400; ++operations) {
        const uint32_t index = rng() % 14;
        switch (operations % 12) {
        case 0: fx.startLearn(index); break;
        case 1: fx.cancelLearn(); break;
        case 2: fx.load(preset); break;
        case 3: fx.pollForEditor(editor); break;
        case 4: fx.startLearn(index); break;
        case 5: fx.unlearn(index); break;
        case 6: fx.load(operations % 24 == 6 ? foreign : damaged); break;
        case 7: fx.setProgram(static_cast<VstInt32>(index)); break;
        case 8: (void)fx.chunk(operations % 2 == 0); break;
        case 9: fx.load(bank); break;
        case 10: fx.setParameterAutomated(static_cast<VstInt32>(index), 0.5f); break;
        default:
            (void)fx.isLearning(index);
            (void)fx.getMidiKey(index);
            fx.pollForEditor(editor);
            break;
        }
        if (operations % 64 == 0) std::this_thread::yield();
    }
    stop.store(true);
    audio.join();

    EXPECT_GE(blocks.load(), 200);
    EXPECT_GE(operations, 400);
    EXPECT_GT(editor->valueChanges.load(), 0);
    EXPECT_GT(SharedHost::timeRequests.load(), 0);
    for (const auto& box : dialogs.boxes)
        EXPECT_TRUE(box.caption == "CoreFx error" || box.caption == "CoreFx") << box.caption << ": " << box.text;

    // Whatever the interleaving, the tables are intact ...
    for (uint32_t i = 0; i < 14; ++i) {
        const float v = fx.param(i).value.load();
        EXPECT_TRUE(v >= 0.0f && v <= 1.0f) << i << ": " << v;
        for (uint32_t j = i + 1; j < 14; ++j)
            if (fx.getMidiKey(i) != -1) {
                EXPECT_NE(fx.getMidiKey(i), fx.getMidiKey(j)) << i << ", " << j;
            }
    }
    for (int32_t p = 0; p < fx.programCount(); ++p) EXPECT_EQ(fx.program(p).name[23], 0);

    // ... and the core goes on working: a learn completes, the editor sees the value.
    fx.cancelLearn();
    fx.startLearn(6);
    EventList last;
    last.cc(0, 74, 127);
    std::vector<float> buf(kBlock);
    float* io[2] = {buf.data(), buf.data()};
    fx.processEvents(last.get());
    fx.processReplacing(io, io, kBlock);
    EXPECT_EQ(fx.getMidiKey(6), key(74));
    EXPECT_EQ(fx.getParameter(6), 1.0f);
    fx.pollForEditor(editor);
    EXPECT_EQ(editor->shown[6], 1.0f);
}
