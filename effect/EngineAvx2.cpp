// The engine's vector renderer on 4-lane vectors, built for AVX2; run only
// where CPUID and the system's saved register state allow it.
#define VESK_LANES 4
#include "effect/EngineVector.h"

VESK_VECTOR_PATH(kAvx2Path)
