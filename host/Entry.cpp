#include "host/Entry.h"

#include <cpuid.h>

AEffect* pluginEntry(audioMasterCallback host)
{
    if (!host) return nullptr;
    if (host(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0) return nullptr;
    AudioEffect* effect = nullptr;
    try {
        effect = createEffectInstance(host);
    } catch (...) {
        effect = nullptr;
    }
    return effect ? effect->getAeffect() : nullptr;
}

bool cpuHasSse2()
{
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return false;
    return (edx >> 26) & 1u;
}
