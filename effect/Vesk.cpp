#include "effect/Vesk.h"

#include "effect/VeskParams.h"
#include "toolkit/PlugControls.h"

using namespace VeskParams;

namespace {

// The panel's knobs in creation order: two rows of six and the output knob
// in the right-hand column. x = 8 * (10 * column + nudge), y = 40 * row + 2.
struct KnobPlace {
    uint32_t param;
    int row, column, nudge;
};
constexpr KnobPlace kKnobs[] = {
    {kPredelay, 0, 0, 1}, {kDiffusion, 2, 0, 1}, {kRTime, 0, 1, 0},  {kRoomSize, 2, 1, 0}, {kHiFreq, 0, 2, 1},
    {kHiScale, 0, 3, 0},  {kHiEq, 0, 4, -1},     {kHiCut, 0, 5, -1}, {kLoFreq, 2, 2, 1},   {kLoScale, 2, 3, 0},
    {kLoEq, 2, 4, -1},    {kLoCut, 2, 5, -1},    {kOutput, 1, 6, -1},
};

}  // namespace

Vesk::Vesk(PlugCore::IHost* hostOfCore) : Plug(hostOfCore, 16, kCount, "Vesk2")
{
    setUniqueId(PlugCore::fourCC('V', 'e', 's', 'A'));
    for (uint32_t i = 0; i < kCount; ++i) {
        PlugCore::ParamSlot& s = slot(i);
        s.name = kTable[i].name;
        s.label = kTable[i].label;
        s.defaultValue = kTable[i].defaultValue;
        s.value.store(kTable[i].defaultValue, std::memory_order_relaxed);
        s.flags = kTable[i].noProgram ? PlugCore::kParamNoProgram : 0;
        // A host may sweep any continuous parameter but the room, whose every
        // change lays the network out anew and clears it.
        if (i != kMode && i != kRoomSize) s.flags |= PlugCore::kParamModulatable;
        s.stepCount = i == kMode ? 1 : 0;  // send or insert
    }
    loadFactoryBank();
    loadDefaults();
    // Where the platform has no editor window, hosts show their own view.
    if (Vornkit::windowSystem().hasWindows()) setEditor(new Vornkit::PlugEditVST(this, this, kEditor));
}

void Vesk::buildEditor(Vornkit::PlugFrame* frame)
{
    frame->showLogo = false;  // the background carries the maker's logo
    for (const KnobPlace& k : kKnobs) {
        const int x = 8 * (10 * k.column + k.nudge);
        // The output knob sits 20 pixels below its grid row, under the switch.
        const int y = 40 * k.row + 2 + (k.param == kOutput ? 20 : 0);
        new Vornkit::PlugKnob(frame, frame, x, y, kTable[k.param].longName, static_cast<int32_t>(k.param));
    }
    new Vornkit::PlugSwitch(frame, frame, 472, 40, 80, 24, kTable[kMode].longName, kMode, false);
}

Vesk::~Vesk() = default;

void Vesk::prepare()
{
    // Laid out for the room the user has now; the first block re-lays it only
    // if the value changes before then.
    ReverbEngine::ArithmeticScope arithmetic;
    reverb.prepare(getSampleRate(), roomScale(param(kRoomSize).current()));
}

void Vesk::reset()
{
    reverb.reset();
}

ReverbSettings Vesk::takenOverSettings() const
{
    float values[kCount];
    for (uint32_t i = 0; i < kCount; ++i) values[i] = param(i).dspValue;
    ReverbEngine::ArithmeticScope arithmetic;
    return VeskParams::settings(values);
}

bool Vesk::processBlock(bool changed, const PlugCore::BlockTiming&, double** inputs, double** outputs,
                        int32_t frames)
{
    // The core reports a change on the first block after every resume, so the
    // settings are always derived before they are first used.
    if (changed) settings = takenOverSettings();
    const uint32_t count = frames > 0 ? static_cast<uint32_t>(frames) : 0u;
    reverb.processBlock(getSampleRate(), changed, settings, inputs, outputs, count);
    return false;  // the reverb never needs the beat clock
}

void Vesk::formatParam(uint32_t index, char* text, float value)
{
    VeskParams::format(index, text, value);
}

bool Vesk::parseParam(uint32_t index, const char* text, float& value) { return VeskParams::parse(index, text, value); }

uint32_t Vesk::tailFrames()
{
    float values[kCount];
    for (uint32_t i = 0; i < kCount; ++i) values[i] = param(i).current();
    ReverbEngine::ArithmeticScope arithmetic;
    return ReverbEngine::tailFrames(getSampleRate(), VeskParams::settings(values));
}

PlugCore::Plug* makeVesk(PlugCore::IHost* host)
{
    return new Vesk(host);
}
