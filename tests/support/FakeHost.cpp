#include "tests/support/FakeHost.h"

namespace TestSupport {

namespace {
FakeHost* active = nullptr;
}

FakeHost::FakeHost() : previous(active) { active = this; }
FakeHost::~FakeHost() { active = previous; }

audioMasterCallback FakeHost::callback() { return &FakeHost::dispatch; }

PlugCore::IHost* FakeHost::core()
{
    struct CoreSide final : PlugCore::IHost {
        void automate(uint32_t index, float value) override
        {
            dispatch(nullptr, audioMasterAutomate, static_cast<VstInt32>(index), 0, nullptr, value);
        }
        void beginEdit(uint32_t index) override { dispatch(nullptr, audioMasterBeginEdit, static_cast<VstInt32>(index), 0, nullptr, 0); }
        void endEdit(uint32_t index) override { dispatch(nullptr, audioMasterEndEdit, static_cast<VstInt32>(index), 0, nullptr, 0); }
        bool resizeEditor(int32_t width, int32_t height) override
        {
            return dispatch(nullptr, audioMasterSizeWindow, width, height, nullptr, 0) != 0;
        }
        bool transport(PlugCore::Transport& out) override
        {
            const auto* t = reinterpret_cast<const VstTimeInfo*>(
                dispatch(nullptr, audioMasterGetTime, 0, kVstTransportPlaying | kVstPpqPosValid | kVstTempoValid, nullptr, 0));
            if (!t) return false;
            out = {(t->flags & kVstTempoValid) != 0, t->tempo, (t->flags & kVstTransportPlaying) != 0,
                   (t->flags & kVstPpqPosValid) != 0, t->ppqPos};
            return true;
        }
    };
    static CoreSide side;
    return &side;
}

VstIntPtr VSTCALLBACK FakeHost::dispatch(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr value, void*, float opt)
{
    FakeHost* h = active;
    if (!h) return 0;
    switch (opcode) {
    case audioMasterVersion: return h->version;
    case audioMasterAutomate: h->automated.emplace_back(index, opt); return 0;
    case audioMasterBeginEdit: h->beginEdits.push_back(index); return 0;
    case audioMasterSizeWindow:
        h->sizeRequests.emplace_back(index, static_cast<int>(value));
        return h->acceptSize ? 1 : 0;
    case audioMasterEndEdit: h->endEdits.push_back(index); return 0;
    case audioMasterGetTime:
        ++h->timeRequests;
        h->lastTimeFilter = value;
        return h->provideTime ? reinterpret_cast<VstIntPtr>(&h->time) : 0;
    default: return 0;
    }
}

}  // namespace TestSupport
