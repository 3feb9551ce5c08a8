// What a plug-in format gives the core and what it drives, in no format's
// terms: every format's adapter (formats/vst2, formats/clap, formats/vst3)
// implements IHost for the core it loads, hands its host's events over as
// an IEventList, and opens the core's IEditor into the window its host gives.
#pragma once

#include <cstdint>

namespace PlugCore {

/// The host's transport for one process call, as far as the host tells it.
struct Transport {
    bool tempoValid = false;
    double tempo = 0.0;  ///< beats per minute
    bool playing = false;
    bool beatValid = false;
    double beat = 0.0;  ///< quarter notes at the block's first frame
};

/// The host that loaded the core, as its format adapter presents it.
class IHost {
public:
    virtual ~IHost() = default;
    /// The plug-in itself set a parameter (its editor, a reset, a state load):
    /// the host records the value. [GUI thread]
    virtual void automate(uint32_t index, float value) = 0;
    /// A user's gesture on a parameter (a drag) begins or ends; automate calls
    /// come in between. [GUI thread]
    virtual void beginEdit(uint32_t index) = 0;
    virtual void endEdit(uint32_t index) = 0;
    /// The transport of the block being processed; false when the host tells
    /// nothing. Asked once per accepted process call. [audio thread]
    virtual bool transport(Transport& out) = 0;
    /// The open editor wants its window to be width x height pixels (its scale
    /// changed): true when the host resized, or will resize, its window to
    /// that size; false when it refuses or cannot. [GUI thread]
    virtual bool resizeEditor(int32_t width, int32_t height)
    {
        (void)width, (void)height;
        return false;
    }
};

/// One of the host's events of a process call, at a frame of that call.
struct TimedEvent {
    enum class Kind : uint8_t { Other, Midi, Param, Bypass, Modulation };
    /// Other: known to the format only, skipped by the core. Bypass: value 0.5
    /// or more bypasses the effect from this frame on, less ends the bypass.
    /// Modulation: value is the offset the engine adds to the parameter's raw
    /// value from this frame on (0 ends it), for a kParamModulatable parameter.
    Kind kind = Kind::Other;
    int32_t frame = 0;        ///< below 0: at frame 0; beyond the block: before the block's remaining frames
    uint8_t midi[3] = {};     ///< Midi: status and two data bytes
    uint32_t param = 0;       ///< Param: parameter index
    float value = 0.0f;       ///< Param: raw value; Bypass: on or off; Modulation: offset
};

/// A process call's events in the host's order (usually by frame). Events
/// at the same frame, or out of order, apply together. [audio thread]
class IEventList {
public:
    virtual ~IEventList() = default;
    virtual int32_t size() const = 0;
    virtual TimedEvent at(int32_t k) const = 0;
};

/// The plug-in's own editor, opened by a format inside its host's window.
/// [GUI thread]
class IEditor {
public:
    virtual ~IEditor() = default;
    /// The editor's size in pixels; false when it cannot tell.
    virtual bool getSize(int32_t& width, int32_t& height) = 0;
    /// Opens inside parent (an HWND on Windows, an X11 Window id on Linux);
    /// true when open afterwards, also when it already was.
    virtual bool open(void* parent) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    /// Shows or hides the open editor's window without closing it.
    virtual void setVisible(bool visible) { (void)visible; }
    /// Closes and removes the editor's own window from the host's now, for
    /// hosts that keep their window and expect the plug-in's to go.
    virtual void detach() { close(); }
    /// Handles what the window system holds for the editor and runs its
    /// timers, where nothing else does (X11): on the host's idle call, or on
    /// its timer and when eventDescriptor turns readable.
    virtual void idle() {}
    /// Readable when events wait for idle(); -1 where there is none (Windows).
    virtual int eventDescriptor() const { return -1; }
    /// The window system the editor lives in: "win32" or "x11".
    virtual const char* windowSystemName() const { return ""; }
    /// The host's scale for the editor (2 for 200 %; 0 for none of the host's),
    /// used unless the user chose a size. An open editor takes the new size
    /// at once; getSize answers it. False when the editor does not follow it.
    virtual bool setHostScale(double scale)
    {
        (void)scale;
        return false;
    }
};

}  // namespace PlugCore
