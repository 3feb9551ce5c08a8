// The engine's vector renderer on 2-lane vectors, built for SSE2, the
// baseline of every x86-64 processor.
#define VESK_LANES 2
#include "effect/EngineVector.h"

VESK_VECTOR_PATH(kSse2Path)
