// The exported entry's body.
#pragma once

#include "formats/vst2/vst2.h"

/// VSTPluginMain: refuses a host that answers 0 to audioMasterVersion, then
/// creates one instance of the product's core (PlugCore::createPlugInstance)
/// and returns its record (null when nothing was made).
AEffect* pluginEntry(audioMasterCallback host);
