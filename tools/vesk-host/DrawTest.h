// The drawing check: a fixed scene that uses every texture mode and blend mode
// of the drawing layer, the fallback pattern, a film-strip cross-fade and the
// editor's pictures, drawn in a window and read back before it is shown.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <vector>

#include "tools/vesk-host/CommandLine.h"

namespace HostKit {

constexpr int kDrawTestWidth = 640;
constexpr int kDrawTestHeight = 360;

/// Opens a window, draws the scene once and returns its pixels (0xAARRGGBB,
/// rows from the top). Throws HostError when no window or device can be made.
std::vector<uint32_t> renderDrawTest(bool powerOfTwo);

int runDrawTest(const DrawTestOptions& options, std::ostream& out);

}  // namespace HostKit
