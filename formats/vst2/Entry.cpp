#include "formats/vst2/Entry.h"

#include "formats/vst2/Vst2Plug.h"

AEffect* pluginEntry(audioMasterCallback host)
{
    if (!host) return nullptr;
    if (host(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0) return nullptr;
    AudioEffect* effect = Vst2::instantiate(host, PlugCore::createPlugInstance);
    return effect ? effect->getAeffect() : nullptr;
}
