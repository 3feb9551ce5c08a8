// The exported entry of the plug-in library. `main` and `MAIN` name the same
// function (the .def file on Windows, a linker alias elsewhere).
#include "formats/vst2/Entry.h"

extern "C" VESK_EXPORT AEffect* VSTPluginMain(audioMasterCallback host)
{
    return pluginEntry(host);
}
