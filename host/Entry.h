// The exported entry's body and the product's factory it calls.
#pragma once

#include "host/AudioEffect.h"

/// Defined by the product: makes the effect object for one instance, or null.
AudioEffect* createEffectInstance(audioMasterCallback host);

/// VSTPluginMain: refuses a host that answers 0 to audioMasterVersion, then
/// creates one instance and returns its record (null when nothing was made).
AEffect* pluginEntry(audioMasterCallback host);

/// Whether the processor has SSE2 (CPUID leaf 1, EDX bit 26).
bool cpuHasSse2();
