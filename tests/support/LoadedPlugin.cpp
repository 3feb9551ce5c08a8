#include "tests/support/LoadedPlugin.h"

#include <cstring>

namespace TestSupport {

LoadedPlugin::LoadedPlugin(const std::string& file)
{
    if (!library.load(file)) return;
    entry = reinterpret_cast<Entry>(library.symbol("VSTPluginMain"));
    if (!entry) entry = reinterpret_cast<Entry>(library.symbol("main"));
}

LoadedPlugin::~LoadedPlugin() { close(); }

AEffect* LoadedPlugin::open(audioMasterCallback host)
{
    close();
    effect = entry ? entry(host) : nullptr;
    return effect;
}

void LoadedPlugin::close()
{
    if (effect) effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
    effect = nullptr;
}

VstIntPtr LoadedPlugin::call(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt)
{
    return effect->dispatcher(effect, opcode, index, value, ptr, opt);
}

std::string LoadedPlugin::text(VstInt32 opcode, VstInt32 index)
{
    char buf[256];
    std::memset(buf, 0, sizeof buf);
    call(opcode, index, 0, buf, 0.0f);
    return buf;
}

}  // namespace TestSupport
