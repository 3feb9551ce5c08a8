// The product's factory behind every format's entry: compiled into the
// plug-in libraries only, so that test programs can link the layers without it.
#include "effect/Vesk.h"

PlugCore::Plug* PlugCore::createPlugInstance(IHost* host)
{
    return createPlug(host, makeVesk, cpuHasSse2);
}
