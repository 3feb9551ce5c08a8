// A scriptable VST host callback that records what the effect asked of it.
#pragma once

#include <utility>
#include <vector>

#include "core/PlugHost.h"
#include "formats/vst2/vst2.h"

namespace TestSupport {

class FakeHost {
public:
    FakeHost();
    ~FakeHost();
    FakeHost(const FakeHost&) = delete;
    FakeHost& operator=(const FakeHost&) = delete;

    /// The callback to hand to an effect; it answers for the newest FakeHost alive.
    static audioMasterCallback callback();
    /// The same host for a plug-in core made without a VST 2.4 frame: it
    /// records into the same lists.
    static PlugCore::IHost* core();

    VstIntPtr version = 2400;
    bool provideTime = false;  ///< audioMasterGetTime answers null unless set
    VstTimeInfo time{};
    int timeRequests = 0;
    VstIntPtr lastTimeFilter = 0;
    std::vector<std::pair<int, float>> automated;
    std::vector<int> beginEdits;
    std::vector<int> endEdits;
    std::vector<std::pair<int, int>> sizeRequests;  ///< audioMasterSizeWindow: width, height
    bool acceptSize = true;                          ///< its answer

private:
    FakeHost* previous;
    static VstIntPtr VSTCALLBACK dispatch(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                          float opt);
};

}  // namespace TestSupport
