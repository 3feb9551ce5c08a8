// Small process-wide services of the platform.
#pragma once

namespace Platform {

/// The library's module handle (HMODULE on Windows), kept by the DLL entry; null elsewhere.
void* moduleHandle();
void setModuleHandle(void* module);

/// One line for the debugger (OutputDebugStringA on Windows, stderr elsewhere).
void debugOutput(const char* line);

/// Forwards a wheel turn of `notches` to the library's window under the cursor.
/// Returns false when the cursor is not over one of this library's windows. [GUI thread]
bool forwardMouseWheel(float notches);

}  // namespace Platform
