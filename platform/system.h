// Small process-wide services of the platform.
//
// Contract: the module handle is set once by the library's entry and read
// anywhere. Debug output goes to the debugger (Windows) or stderr, one line
// per call with the line end added; tests install a stand-in to read it. Wheel
// forwarding touches only this library's own windows. [any thread, except as marked]
#pragma once

namespace Platform {

class IDebugOutput {
public:
    virtual ~IDebugOutput() = default;
    virtual void line(const char* text) = 0;
};

/// The library's module handle (HMODULE on Windows), kept by the DLL entry; null elsewhere.
void* moduleHandle();
void setModuleHandle(void* module);

/// One line for the debugger (OutputDebugStringA on Windows, stderr elsewhere).
void debugOutput(const char* line);
/// Installs a stand-in; null restores the platform's own. Returns the previous stand-in.
IDebugOutput* setDebugOutput(IDebugOutput* output);
IDebugOutput& systemDebugOutput();

/// Opens a web address in the user's browser without waiting for it. [GUI thread]
void openUrl(const char* address);
class IUrlOpener {
public:
    virtual ~IUrlOpener() = default;
    virtual void open(const char* address) = 0;
};
/// Installs a stand-in; null restores the platform's own. Returns the previous stand-in.
IUrlOpener* setUrlOpener(IUrlOpener* opener);
IUrlOpener& systemUrlOpener();

/// Forwards a wheel turn of `notches` to the library's window under the cursor.
/// Returns false when the cursor is not over one of this library's windows. [GUI thread]
bool forwardMouseWheel(float notches);

}  // namespace Platform
