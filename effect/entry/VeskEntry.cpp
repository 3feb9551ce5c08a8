// The product's factory behind the exported entry: compiled into the plug-in
// library only, so that test programs can link the layers without it.
#include "effect/Vesk.h"
#include "host/Entry.h"

AudioEffect* createEffectInstance(audioMasterCallback host)
{
    return PlugCore::createEffect(host, makeVesk, cpuHasSse2);
}
