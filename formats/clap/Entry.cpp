// The exported entry of the CLAP library: one factory with one plug-in.
#include <cstring>
#include <new>

#include "formats/clap/ClapPlug.h"

namespace {

uint32_t pluginCount(const clap_plugin_factory_t*) { return 1; }

const clap_plugin_descriptor_t* pluginDescriptor(const clap_plugin_factory_t*, uint32_t index)
{
    return index == 0 ? &Clap::ClapPlug::descriptor : nullptr;
}

const clap_plugin_t* createPlugin(const clap_plugin_factory_t*, const clap_host_t* host, const char* id)
{
    if (!host || !clapVersionCompatible(host->clap_version) || !id || std::strcmp(id, Clap::ClapPlug::descriptor.id))
        return nullptr;
    // The core is made in init, where the host may be asked for its extensions.
    auto* plug = new (std::nothrow) Clap::ClapPlug(host);
    return plug ? plug->record() : nullptr;
}

const clap_plugin_factory_t kFactory = {pluginCount, pluginDescriptor, createPlugin};

bool entryInit(const char*) { return true; }
void entryDeinit() {}
const void* entryFactory(const char* id) { return id && !std::strcmp(id, CLAP_PLUGIN_FACTORY_ID) ? &kFactory : nullptr; }

}  // namespace

extern "C" VESK_EXPORT const clap_plugin_entry_t clap_entry = {kClapVersion, entryInit, entryDeinit, entryFactory};
