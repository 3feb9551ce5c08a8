// The window system's vocabulary (platform/windowsystem.h), as the toolkit speaks it.
#pragma once

#include "platform/windowsystem.h"

namespace Vornkit {

using Platform::Cursor;
using Platform::Key;
using Platform::kModControl;
using Platform::kModShift;
using Platform::MouseAction;
using Platform::NativeMenu;
using Platform::NativeWindow;
using Platform::NativeWindowEvents;
using Platform::setWindowSystem;
using Platform::systemWindowSystem;
using Platform::WindowSystem;
using Platform::windowSystem;

}  // namespace Vornkit
