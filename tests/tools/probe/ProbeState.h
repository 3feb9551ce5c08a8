// What the host probe plug-in saw of its host. The probe keeps one instance's
// record in a process-wide variable that outlives effClose; tests read it
// through the exported HostProbeState().
#pragma once

#include <cstdint>

#include "formats/vst2/vst2.h"

namespace Probe {

constexpr int kParams = 4;
constexpr int kPrograms = 2;
constexpr int kMaxOpcodes = 512;
constexpr int kMaxBlocks = 4096;
constexpr int kMaxEvents = 256;
constexpr VstInt32 kUniqueId = vstFourCC('H', 'P', 'r', 'b');
constexpr VstInt32 kVersion = 7;
/// effVendorSpecific index that makes the probe send an edit gesture for
/// parameter `value`: BeginEdit, Automate(value, 0.25), EndEdit.
constexpr VstInt32 kGestureRequest = vstFourCC('g', 'e', 's', 't');
/// The filter the probe asks audioMasterGetTime with.
constexpr VstIntPtr kTimeFilter = kVstPpqPosValid | kVstTempoValid;

struct Block {
    VstInt32 frames;
    bool timeAnswered;
    double samplePos, sampleRate, ppqPos, tempo;
    VstInt32 timeFlags;
    VstIntPtr processLevel;
    bool doublePrecision;
};

struct Event {
    int64_t frame;  ///< absolute: frames processed before the block + deltaFrames
    VstInt32 deltaFrames;
    uint8_t status, data1, data2;
};

struct State {
    AEffect effect;
    audioMasterCallback host;

    // Dispatcher opcodes in the order received, effClose included.
    VstInt32 opcodes[kMaxOpcodes];
    int opcodeCount;

    // Host answers, asked at entry and at effMainsChanged(1).
    VstIntPtr hostVersion;
    VstIntPtr sampleRateAnswer, blockSizeAnswer, currentIdAnswer, levelOutsideProcess;
    VstIntPtr canDoTimeInfo, canDoSizeWindow, canDoNonsense;
    char hostVendor[64], hostProduct[64];

    float sampleRate;  ///< from effSetSampleRate
    VstInt32 blockSize;
    float params[kParams];
    float programValues[kPrograms][kParams];
    char programNames[kPrograms][24];
    VstInt32 program;

    Block blocks[kMaxBlocks];
    int blockCount;
    Event events[kMaxEvents];
    int eventCount;
    int64_t framesProcessed;
    float controllerLevel;  ///< last controller value / 127, added to the right output
};

using StateGetter = State* (*)();

}  // namespace Probe
