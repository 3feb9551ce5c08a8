#include "platform/textsmoothing.h"

#include "platform/Seam.h"

namespace Platform {

namespace {
Seam<ITextSmoothing> seam(systemTextSmoothing);
}

TextSmoothing readTextSmoothing() { return seam.get().read(); }
ITextSmoothing* setTextSmoothing(ITextSmoothing* smoothing) { return seam.install(smoothing); }

}  // namespace Platform
