// The VST 2.4 effect record through which vesk-host drives a plug-in of
// another format: its entry points find the bridge behind the record and call
// its dispatch, setParameter, getParameter and process.
#pragma once

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "formats/vst2/vst2.h"

namespace HostKit {

template <class Bridge>
class BridgedEffect {
public:
    AEffect effect{};

    /// The bridge behind a record, or null for a record that is no bridge's.
    static Bridge* of(AEffect* e)
    {
        for (Bridge* b : live())
            if (&b->effect == e) return b;
        return nullptr;
    }

protected:
    BridgedEffect()
    {
        effect.magic = kEffectMagic;
        effect.object = this;
        effect.dispatcher = [](AEffect* e, VstInt32 op, VstInt32 i, VstIntPtr v, void* p, float o) -> VstIntPtr {
            return of(e) ? of(e)->dispatch(op, i, v, p, o) : 0;
        };
        effect.setParameter = [](AEffect* e, VstInt32 i, float v) {
            if (of(e)) of(e)->setParameter(i, v);
        };
        effect.getParameter = [](AEffect* e, VstInt32 i) { return of(e) ? of(e)->getParameter(i) : 0.0f; };
        effect.processReplacing = [](AEffect* e, float** inputs, float** outputs, VstInt32 n) {
            if (of(e)) of(e)->process(inputs, outputs, nullptr, nullptr, n);
        };
        effect.processDoubleReplacing = [](AEffect* e, double** inputs, double** outputs, VstInt32 n) {
            if (of(e)) of(e)->process(nullptr, nullptr, inputs, outputs, n);
        };
        effect.ioRatio = 1.0f;
        live().push_back(static_cast<Bridge*>(this));
    }
    ~BridgedEffect()
    {
        live().erase(std::remove(live().begin(), live().end(), static_cast<Bridge*>(this)), live().end());
    }

    /// effGetInputProperties or effGetOutputProperties for one stereo bus each
    /// way, its pins named "BUS L" and "BUS R".
    VstIntPtr pinProperties(VstInt32 opcode, VstInt32 index, void* ptr, const std::string& inputBus,
                            const std::string& outputBus) const
    {
        auto* pin = static_cast<VstPinProperties*>(ptr);
        const bool input = opcode == effGetInputProperties;
        if (!pin || index < 0 || index >= (input ? effect.numInputs : effect.numOutputs)) return 0;
        std::snprintf(pin->label, sizeof pin->label, "%s %s", (input ? inputBus : outputBus).c_str(),
                      index % 2 ? "R" : "L");
        pin->flags = kVstPinIsActive | kVstPinIsStereo;
        return 1;
    }
    BridgedEffect(const BridgedEffect&) = delete;
    BridgedEffect& operator=(const BridgedEffect&) = delete;

private:
    static std::vector<Bridge*>& live()
    {
        static std::vector<Bridge*> bridges;
        return bridges;
    }
};

}  // namespace HostKit
