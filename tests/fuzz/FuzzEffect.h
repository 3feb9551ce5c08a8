// What the fuzz targets share: an effect shaped like the product (sixteen
// programs of fourteen parameters, one outside the programs), a message-box
// double that checks every box it is shown, a host that checks every
// automation call, and the invariants of the core's tables.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/Plug.h"
#include "platform/dialogs.h"

namespace Fuzz {

constexpr const char* kProduct = "Vesk2";
constexpr int kPrograms = 16;
constexpr int kParams = 14;

[[noreturn]] inline void fail(const char* what)
{
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}
inline void require(bool ok, const char* what)
{
    if (!ok) fail(what);
}

/// The host: automation must name an existing parameter with a value in [0, 1].
class CheckingHost final : public PlugCore::IHost {
public:
    void automate(uint32_t index, float value) override
    {
        require(index < kParams, "automation of a parameter that does not exist");
        require(value >= 0.0f && value <= 1.0f, "automation value outside [0, 1]");
    }
    void beginEdit(uint32_t) override {}
    void endEdit(uint32_t) override {}
    bool transport(PlugCore::Transport&) override { return false; }
};
inline CheckingHost host;

class Effect final : public PlugCore::Plug {
public:
    explicit Effect(PlugCore::IHost* h) : Plug(h, kPrograms, kParams, kProduct)
    {
        for (uint32_t i = 0; i < paramCount(); ++i) {
            PlugCore::ParamSlot& s = slot(i);
            s.defaultValue = static_cast<float>(i) / 16.0f;
            s.value.store(s.defaultValue);
        }
        slot(12).flags = PlugCore::kParamNoProgram;
    }
    void prepare() override {}
    void reset() override {}
    bool processBlock(bool, const PlugCore::BlockTiming&, double**, double**, int32_t) override { return false; }
    void formatParam(uint32_t, char* text, float) override { text[0] = 0; }
};

/// Answers questions as told and checks the form of every box: loading shows
/// questions while they are answered Yes, and at most one error, which ends it.
class Dialogs final : public Platform::IDialogs {
public:
    Dialogs() : previous(Platform::setDialogs(this)) {}
    ~Dialogs() override { Platform::setDialogs(previous); }
    Dialogs(const Dialogs&) = delete;
    Dialogs& operator=(const Dialogs&) = delete;

    int messageBox(const char* text, const char* caption, unsigned style) override
    {
        require(!finished, "a box after loading ended");
        ++boxes;
        const std::string t = text, c = caption;
        if (style == 0x2024) {
            require(c == kProduct, "question caption");
            require(t.rfind("Trying to load a preset for \"", 0) == 0, "question text");
            const size_t fixed = std::strlen("Trying to load a preset for \"\"\nDo you want to continue?");
            require(t.size() <= fixed + 30, "question names more than 30 characters");
            ++questions;
            if (answer != Platform::kIdYes) finished = true;
            return answer;
        }
        require(style == 0x2010, "error style");
        require(c == std::string(kProduct) + " error" || c == kProduct, "error caption");
        finished = true;
        ++errors;
        return Platform::kIdOk;
    }

    int answer = Platform::kIdYes;
    bool finished = false;
    int boxes = 0;
    int questions = 0;
    int errors = 0;

private:
    Platform::IDialogs* previous;
};

/// The tables are intact: values in range, no key held twice, names
/// terminated, the current program one of the programs.
inline void checkTables(const Effect& fx)
{
    for (uint32_t i = 0; i < fx.paramCount(); ++i) {
        const float v = fx.param(i).value.load();
        require(v >= 0.0f && v <= 1.0f, "value outside [0, 1]");
        const int32_t key = fx.getMidiKey(i);
        require(key >= -32768 && key <= 32767, "key outside 16 bits");
        if (key == -1) continue;
        for (uint32_t j = i + 1; j < fx.paramCount(); ++j) require(fx.getMidiKey(j) != key, "a key held twice");
    }
    for (int32_t p = 0; p < fx.programCount(); ++p) {
        require(fx.program(p).name[23] == 0, "program name not terminated");
        for (uint32_t i = 0; i < fx.paramCount(); ++i) {
            const float v = fx.program(p).values[i];
            require(v >= 0.0f && v <= 1.0f, "program value outside [0, 1]");
        }
    }
    require(fx.programCount() == kPrograms, "program count");
}

inline std::vector<uint8_t> chunkOf(Effect& fx, bool isPreset)
{
    std::vector<uint8_t> bytes;
    fx.serializeState(isPreset, bytes);
    return bytes;
}

/// Whatever was loaded saves as a bank that a fresh instance loads without a
/// word and saves to the same bytes.
inline void checkRoundTrip(Effect& fx)
{
    const std::vector<uint8_t> bank = chunkOf(fx, false);
    require(bank.size() == 1410 + 4 * [&] {
        size_t m = 0;
        for (uint32_t i = 0; i < fx.paramCount(); ++i) m += fx.getMidiKey(i) != -1;
        return m;
    }(), "bank size");
    Dialogs quiet;
    Effect copy(&host);
    copy.loadState(bank.data(), bank.size());
    require(quiet.boxes == 0, "a saved bank does not load quietly");
    require(chunkOf(copy, false) == bank, "a saved bank does not load back to the same bytes");
    require(copy.getProgram() == fx.getProgram(), "current program lost");
}

}  // namespace Fuzz
