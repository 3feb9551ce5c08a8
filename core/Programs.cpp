// Programs and the state chunk: the one byte format for host state, presets,
// banks, the user defaults file and the factory bank.
#include <cstdio>
#include <cstring>

#include "core/Plug.h"
#include "platform/dialogs.h"

namespace PlugCore {

namespace {

constexpr size_t kProductNameBytes = 31;
constexpr size_t kProgramNameBytes = 24;

class ChunkWriter {
public:
    explicit ChunkWriter(std::vector<uint8_t>& out) : buffer(out) {}
    void u8(uint32_t v) { buffer.push_back(static_cast<uint8_t>(v)); }
    void u16(uint32_t v) { u8(v & 0xFF), u8((v >> 8) & 0xFF); }
    void u32(uint32_t v) { u16(v & 0xFFFF), u16(v >> 16); }
    void bytes(const char* text, size_t n)  // text zero-padded to n bytes
    {
        size_t len = text ? strnlen(text, n) : 0;
        buffer.insert(buffer.end(), text, text + len);
        buffer.insert(buffer.end(), n - len, 0);
    }
    void paramValue(uint32_t index, float value)
    {
        u8(kRecParamValue);
        u8(index);
        u16(static_cast<uint32_t>(value * 64000.0f));  // 64000 steps, truncated
    }

private:
    std::vector<uint8_t>& buffer;
};

}  // namespace

void Plug::initPrograms()
{
    const int32_t count = numPrograms > 0 ? numPrograms : 0;
    programs.reset(new ProgramSlot[static_cast<size_t>(count)]);
    for (int32_t p = 0; p < count; ++p) {
        programs[p].values.reset(new float[params.count]);
        for (uint32_t i = 0; i < params.count; ++i) programs[p].values[i] = params.slots[i].current();
        std::snprintf(programs[p].name, sizeof programs[p].name, "Init %d", static_cast<int>(p + 1));
    }
}

void Plug::snapshotProgram(int32_t p)
{
    if (p < 0 || p >= numPrograms) return;
    for (uint32_t i = 0; i < params.count; ++i) programs[p].values[i] = params.slots[i].current();
}

void Plug::setProgram(VstInt32 p)
{
    if (p < 0 || p >= numPrograms) return;
    snapshotProgram(curProgram);  // programs are edited in place
    for (uint32_t i = 0; i < params.count; ++i)
        if (!(params.slots[i].flags & kParamNoProgram)) setParameter(static_cast<VstInt32>(i), programs[p].values[i]);
    curProgram = p;
}

void Plug::setProgramName(const char* name)
{
    if (curProgram < 0 || curProgram >= numPrograms) return;
    char* dst = programs[curProgram].name;
    const size_t n = strnlen(name, kProgramNameBytes);
    std::memcpy(dst, name, n);
    if (n < kProgramNameBytes) dst[n] = 0;
    dst[kProgramNameBytes - 1] = 0;
}

void Plug::getProgramName(char* name)
{
    if (curProgram < 0 || curProgram >= numPrograms) {
        name[0] = 0;
        return;
    }
    std::memcpy(name, programs[curProgram].name, strnlen(programs[curProgram].name, kProgramNameBytes) + 1);
}

bool Plug::getProgramNameIndexed(VstInt32, VstInt32 index, char* text)
{
    if (index < 0 || index >= numPrograms) return false;
    std::memcpy(text, programs[index].name, strnlen(programs[index].name, kProgramNameBytes) + 1);
    return true;
}

void Plug::serializeState(bool isPreset, std::vector<uint8_t>& buffer) const
{
    buffer.clear();
    ChunkWriter w(buffer);
    w.u32(kChunkMagic);
    w.u16(static_cast<uint16_t>(kChunkVersion));
    w.u16(0);

    w.u8(kRecProductName);
    w.bytes(productName, kProductNameBytes);

    if (!isPreset) {
        for (int32_t p = 0; p < numPrograms; ++p) {
            for (uint32_t i = 0; i < params.count; ++i) w.paramValue(i, programs[p].values[i]);
            w.u8(kRecProgram);
            w.u8(static_cast<uint32_t>(p));
            buffer.insert(buffer.end(), programs[p].name, programs[p].name + kProgramNameBytes);
        }
        w.u8(kRecCurrentProgram);
        w.u8(static_cast<uint32_t>(curProgram));
    }

    for (uint32_t i = 0; i < params.count; ++i) w.paramValue(i, params.slots[i].current());

    for (uint32_t i = 0; i < params.count; ++i) {
        const int32_t key = params.slots[i].midiKey.load(std::memory_order_relaxed);
        if (key == -1) continue;
        w.u8(kRecMidiMap);
        w.u8(i);
        w.u16(static_cast<uint32_t>(key) & 0xFFFF);
    }
}

VstInt32 Plug::getChunk(void** data, bool isPreset)
{
    serializeState(isPreset, chunkBuffer);
    *data = chunkBuffer.data();
    return static_cast<VstInt32>(chunkBuffer.size());
}

VstInt32 Plug::showLoadError(const char* text)
{
    char caption[64];
    char message[256];
    std::snprintf(caption, sizeof caption, "%s error", productName);
    std::snprintf(message, sizeof message, "Error loading chunk: %s", text);
    Platform::messageBox(message, caption, Platform::kMbTaskModal | Platform::kMbIconError);
    return 0;
}

VstInt32 Plug::setChunk(void* data, VstInt32 size, bool)
{
    static const char* const kLaterVersion =
        "Program or bank was saved with a later version.\nPlease update the plugin and try again.";
    const auto* bytes = static_cast<const uint8_t*>(data);
    if (!bytes || size < 8) return showLoadError("No header");
    const uint32_t magic = bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<uint32_t>(bytes[3]) << 24;
    if (magic != kChunkMagic) return showLoadError("Invalid header");
    const auto version = static_cast<int16_t>(bytes[4] | bytes[5] << 8);
    if (version > kChunkVersion) return showLoadError(kLaterVersion);
    if ((bytes[6] | bytes[7]) != 0) return showLoadError(kLaterVersion);

    // Every record is checked against the bytes left before it is read; a
    // record that does not fit ends loading, keeping what came before it.
    const size_t end = static_cast<size_t>(size);
    size_t pos = 8;
    while (pos < end) {
        const uint8_t type = bytes[pos];
        const size_t left = end - pos - 1;
        const uint8_t* r = bytes + pos + 1;
        if (type == kRecParamValue && left >= 3) {
            const float v = static_cast<float>(r[1] + r[2] * 256) * 1.5625e-5f;
            setParameterAutomated(r[0], v);
            pos += 4;
        } else if (type == kRecMidiMap && left >= 3) {
            const int32_t key = static_cast<int16_t>(r[1] | r[2] << 8);
            if (r[0] < params.count) assignMidiKey(r[0], key);
            pos += 4;
        } else if (type == kRecProgram && left >= 25) {
            const int32_t p = r[0];
            pos += 26;
            if (p < numPrograms) {
                std::memcpy(programs[p].name, r + 1, kProgramNameBytes);
                programs[p].name[kProgramNameBytes - 1] = 0;
                snapshotProgram(p);
            }
        } else if (type == kRecCurrentProgram && left >= 1) {
            if (r[0] < numPrograms) curProgram = r[0];
            pos += 2;
        } else if (type == kRecProductName && left >= kProductNameBytes) {
            pos += 32;
            const char* stored = reinterpret_cast<const char*>(r);
            if (std::strncmp(stored, productName, kProductNameBytes) != 0) {
                char name[31] = {};
                std::memcpy(name, stored, strnlen(stored, 30));
                char question[128];
                std::snprintf(question, sizeof question, "Trying to load a preset for \"%s\"\nDo you want to continue?",
                              name);
                const int answer = Platform::messageBox(
                    question, productName, Platform::kMbTaskModal | Platform::kMbIconQuestion | Platform::kMbYesNo);
                if (answer != Platform::kIdYes) return 0;  // a box that could not be shown counts as No
            }
        } else {
            return showLoadError("Chunk appears corrupted.");
        }
    }
    return 0;
}

}  // namespace PlugCore
