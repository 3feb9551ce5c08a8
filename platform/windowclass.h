// The window class of the toolkit's windows on Windows. It is registered by
// the first window (win32/windowsystem.cpp) under the library's own instance
// handle, and Windows never removes a class a DLL registered: a library
// unloaded and loaded again in the same process would find the old class, its
// window procedure pointing into freed code. So the library removes it itself
// when it is unloaded. [the unloading thread, or the GUI thread with none of
// the class's windows left]
#pragma once

namespace Platform {

/// Unregisters the class when one is registered (the next window registers it
/// again) and gives back the library's activation context.
void unregisterWindowClass();

}  // namespace Platform
