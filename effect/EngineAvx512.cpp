// The engine's vector renderer on 8-lane vectors, built for AVX-512 F; run
// only where CPUID and the system's saved register state allow it.
#define VESK_LANES 8
#include "effect/EngineVector.h"

VESK_VECTOR_PATH(kAvx512Path)
