// vesk-host edit: a plug-in's editor in a window of its own, run the way a
// host runs it: idle calls, silent audio in real time with the MIDI asked
// for, and a line for every gesture and automation the plug-in reports.
#include <chrono>
#include <cstdio>
#include <ostream>
#include <thread>

#include "platform/toolwindow.h"
#include "platform/userfiles.h"
#include "tools/vesk-host/ByteIO.h"
#include "tools/vesk-host/ClapBridge.h"
#include "tools/vesk-host/Commands.h"
#include "tools/vesk-host/EventSchedule.h"
#include "tools/vesk-host/HostError.h"
#include "tools/vesk-host/PluginSession.h"
#include "tools/vesk-host/PngWriter.h"
#include "tools/vesk-host/PresetFile.h"

namespace HostKit {

namespace {

// Prints what the plug-in reported since the last call, in the order it came.
class GestureLog {
public:
    explicit GestureLog(PluginSession& s) : session(s) {}
    void flush(std::ostream& out)
    {
        // The session keeps three lists; gestures are printed before the
        // automation of the same turn, which is the order a drag makes.
        for (; begins < session.beginEdits.size(); ++begins) out << "begin " << session.beginEdits[begins] << "\n";
        for (; automated < session.automation.size(); ++automated) {
            char line[64];
            std::snprintf(line, sizeof line, "automate %d %.6f\n", session.automation[automated].index,
                          static_cast<double>(session.automation[automated].value));
            out << line;
        }
        for (; ends < session.endEdits.size(); ++ends) out << "end " << session.endEdits[ends] << "\n";
        out.flush();
    }

private:
    PluginSession& session;
    size_t begins = 0, automated = 0, ends = 0;
};

}  // namespace

int runEdit(const EditOptions& o, std::ostream& out)
{
    auto session = openPlugin(o.host, 44100, kProcessLevelRealtime);
    PluginSession& s = *session;
    if (!s.hasFlag(effFlagsHasEditor)) throw HostError("the plug-in has no editor (effFlagsHasEditor is not set)");
    s.refuseSizeWindow = o.refuseResize;
    s.editorWindow = true;
    if (o.scale > 0) {
        // A host's scale exists for CLAP and VST3 editors only.
        if (s.format() == "VST 2.4") throw HostError("--scale: a VST 2.4 host has no way to tell an editor its scale");
        if (!s.dispatch(effVendorSpecific, kHostScaleIndex, 0, nullptr, static_cast<float>(o.scale)))
            out << "the editor does not follow the host's scale\n";
    }
    ERect* rect = nullptr;
    if (!s.dispatch(effEditGetRect, 0, 0, &rect) || !rect) throw HostError("the plug-in does not tell its editor's size");
    const int width = rect->right - rect->left, height = rect->bottom - rect->top;
    if (width <= 0 || height <= 0 || width > 8192 || height > 8192)
        throw HostError("the plug-in asks for an editor of " + std::to_string(width) + " x " + std::to_string(height));

    std::string reason;
    auto window = Platform::ToolWindow::open(("vesk-host edit: " + s.text(effGetEffectName)).c_str(), width, height,
                                             &reason);
    if (!window) throw HostError("edit: " + reason);
    s.resume();
    if (!s.dispatch(effEditOpen, 0, 0, window->nativeHandle())) throw HostError("the plug-in's editor did not open");
    for (int i = 0; i < o.reopen; ++i) {
        // As a host that hides and shows the editor: each round paints, then closes.
        for (int k = 0; k < 3; ++k) {
            window->pump();
            s.dispatch(effEditIdle);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        s.dispatch(effEditClose);
        window->pump();
        if (!s.dispatch(effEditOpen, 0, 0, window->nativeHandle()))
            throw HostError("the plug-in's editor did not open again (round " + std::to_string(i + 1) + ")");
    }
    out << "editor open " << width << " x " << height << "\n";
    if (o.repaints > 0) {
        window->repaintNow();  // the first paint also makes textures and fonts
        const auto from = std::chrono::steady_clock::now();
        for (int i = 0; i < o.repaints; ++i) window->repaintNow();
        const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - from).count();
        char line[96];
        std::snprintf(line, sizeof line, "paint %.3f ms per frame (%d frames)\n", ms / o.repaints, o.repaints);
        out << line;
    }
    out.flush();

    const AEffect& fx = s.effect();
    const int32_t block = o.host.blockSize;
    const double rate = s.settings().sampleRate;
    std::vector<std::vector<float>> in(static_cast<size_t>(fx.numInputs), std::vector<float>(static_cast<size_t>(block)));
    std::vector<std::vector<float>> outBuf(static_cast<size_t>(fx.numOutputs), std::vector<float>(static_cast<size_t>(block)));
    std::vector<float*> inP, outP;
    for (auto& v : in) inP.push_back(v.data());
    for (auto& v : outBuf) outP.push_back(v.data());
    EventSchedule schedule(o.controls);
    GestureLog log(s);

    const auto start = std::chrono::steady_clock::now();
    int64_t rendered = 0;
    int keys = 0;
    int32_t sizeRequests = s.sizeWindowRequests;
    for (;;) {
        const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (o.seconds > 0 && elapsed >= o.seconds) break;
        if (!window->pump()) break;
        if (!o.noIdle) s.dispatch(effEditIdle);
        // Audio keeps pace with the clock, so MIDI arrives when it is due.
        while (rendered < static_cast<int64_t>(elapsed * rate)) {
            s.sendEvents(schedule.eventsFor(rendered, block));
            s.process(inP.data(), outP.data(), block);
            rendered += block;
        }
        log.flush(out);
        if (s.sizeWindowRequests != sizeRequests) {
            sizeRequests = s.sizeWindowRequests;
            if (o.refuseResize) {
                out << "editor resize refused\n";
            } else {
                window->resize(s.sizeWindowWidth, s.sizeWindowHeight);
                out << "editor resized " << s.sizeWindowWidth << " x " << s.sizeWindowHeight << "\n";
            }
        }
        for (; keys < window->keyPresses(); ++keys) out << "host key\n";  // a shortcut the host would see
        out.flush();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }

    if (!o.screenshot.empty()) {
        std::vector<uint32_t> pixels;
        int w = 0, h = 0;
        window->pump();
        std::string why;
        if (!window->capture(pixels, w, h, why)) throw HostError("--screenshot: " + why);
        const std::vector<uint8_t> png = encodePng(pixels.data(), static_cast<uint32_t>(w), static_cast<uint32_t>(h));
        if (!Platform::writeFileReplacing(o.screenshot, png.data(), png.size(), &reason))
            throw HostError("cannot write '" + o.screenshot + "': " + reason);
        out << "wrote " << o.screenshot << "\n";
    }
    if (o.destroyFirst) window.reset();
    s.dispatch(effEditClose);
    window.reset();  // the host's window goes after effEditClose, as in most hosts
    log.flush(out);
    s.suspend();

    if (!o.save.empty()) {
        const bool bank = o.save.back() == 'b' || o.save.back() == 'B';  // .fxb (the parser took only .fxp or .fxb)
        writeFile(o.save, encodePreset(capturePreset(s, bank)));
    }
    for (int32_t i = 0; i < fx.numParams; ++i) {
        char line[160];
        std::snprintf(line, sizeof line, "value %d %s %.6f %s %s\n", i, s.paramName(i).c_str(),
                      static_cast<double>(s.getParameter(i)), s.paramDisplay(i).c_str(), s.paramLabel(i).c_str());
        out << line;
    }
    return 0;
}

}  // namespace HostKit
