// A plug-in binary loaded through its exported entry, as a host loads it.
#pragma once

#include <string>

#include "formats/vst2/vst2.h"
#include "platform/library.h"

namespace TestSupport {

class LoadedPlugin {
public:
    /// Loads the file and resolves VSTPluginMain (or main).
    explicit LoadedPlugin(const std::string& file);
    ~LoadedPlugin();

    using Entry = AEffect* (*)(audioMasterCallback);
    Entry entry = nullptr;
    /// Instantiates with the host callback; the record is closed in the destructor.
    AEffect* open(audioMasterCallback host);
    void close();

    VstIntPtr call(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr, float opt = 0.0f);
    std::string text(VstInt32 opcode, VstInt32 index = 0);  ///< string answer of a text opcode

    Platform::Library library;
    AEffect* effect = nullptr;
};

}  // namespace TestSupport
