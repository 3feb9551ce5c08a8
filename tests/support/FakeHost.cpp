#include "tests/support/FakeHost.h"

namespace TestSupport {

namespace {
FakeHost* active = nullptr;
}

FakeHost::FakeHost() : previous(active) { active = this; }
FakeHost::~FakeHost() { active = previous; }

audioMasterCallback FakeHost::callback() { return &FakeHost::dispatch; }

VstIntPtr VSTCALLBACK FakeHost::dispatch(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr value, void*, float opt)
{
    FakeHost* h = active;
    if (!h) return 0;
    switch (opcode) {
    case audioMasterVersion: return h->version;
    case audioMasterAutomate: h->automated.emplace_back(index, opt); return 0;
    case audioMasterBeginEdit: h->beginEdits.push_back(index); return 0;
    case audioMasterEndEdit: h->endEdits.push_back(index); return 0;
    case audioMasterGetTime:
        ++h->timeRequests;
        h->lastTimeFilter = value;
        return h->provideTime ? reinterpret_cast<VstIntPtr>(&h->time) : 0;
    default: return 0;
    }
}

}  // namespace TestSupport
