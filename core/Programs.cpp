// Programs and the state chunk: the one byte format for host state, presets,
// banks, the user defaults file and the factory bank.
#include <cstdio>
#include <cstring>

#include "core/Plug.h"
#include "platform/dialogs.h"

namespace PlugCore {

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

void Plug::setProgram(int32_t p)
{
    if (p < 0 || p >= numPrograms) return;
    snapshotProgram(curProgram);  // programs are edited in place
    for (uint32_t i = 0; i < params.count; ++i)
        if (!(params.slots[i].flags & kParamNoProgram)) setParameter(static_cast<int32_t>(i), programs[p].values[i]);
    curProgram = p;
}

void Plug::setProgramName(const char* name)
{
    if (curProgram < 0 || curProgram >= numPrograms) return;
    // The whole field is rewritten: the bytes after the terminator go into
    // every chunk and the defaults file, so no trace of an older name stays.
    char* dst = programs[curProgram].name;
    std::memset(dst, 0, kProgramNameBytes);
    if (name) std::memcpy(dst, name, strnlen(name, kProgramNameBytes - 1));
}

void Plug::getProgramName(char* name)
{
    if (curProgram < 0 || curProgram >= numPrograms) {
        name[0] = 0;
        return;
    }
    std::memcpy(name, programs[curProgram].name, strnlen(programs[curProgram].name, kProgramNameBytes) + 1);
}

bool Plug::getProgramNameIndexed(int32_t index, char* text)
{
    if (index < 0 || index >= numPrograms) return false;
    std::memcpy(text, programs[index].name, strnlen(programs[index].name, kProgramNameBytes) + 1);
    return true;
}

void Plug::serializeState(bool isPreset, std::vector<uint8_t>& buffer) const
{
    buffer.clear();
    writeChunkHeader(buffer);
    writeChunkRecord(buffer, ChunkRecordData::productName(productName));

    if (!isPreset) {
        for (int32_t p = 0; p < numPrograms; ++p) {
            for (uint32_t i = 0; i < params.count; ++i)
                writeChunkRecord(buffer, ChunkRecordData::paramValue(i, programs[p].values[i]));
            ChunkRecordData program = ChunkRecordData::program(static_cast<uint32_t>(p), "");
            std::memcpy(program.text, programs[p].name, kProgramNameBytes);  // the field as stored
            writeChunkRecord(buffer, program);
        }
        writeChunkRecord(buffer, ChunkRecordData::currentProgram(static_cast<uint32_t>(curProgram)));
    }

    for (uint32_t i = 0; i < params.count; ++i)
        writeChunkRecord(buffer, ChunkRecordData::paramValue(i, params.slots[i].current()));

    for (uint32_t i = 0; i < params.count; ++i) {
        const int32_t key = params.slots[i].midiKey.load(std::memory_order_relaxed);
        if (key != -1) writeChunkRecord(buffer, ChunkRecordData::midiMap(i, key));
    }
}

void Plug::showLoadError(const char* text)
{
    char caption[64];
    char message[256];
    std::snprintf(caption, sizeof caption, "%s error", productName);
    std::snprintf(message, sizeof message, "Error loading chunk: %s", text);
    Platform::messageBox(message, caption, Platform::kMbTaskModal | Platform::kMbIconError);
}

bool Plug::askForeignProduct(const char* name)
{
    char question[128];
    std::snprintf(question, sizeof question, "Trying to load a preset for \"%s\"\nDo you want to continue?", name);
    const int answer =
        Platform::messageBox(question, productName, Platform::kMbTaskModal | Platform::kMbIconQuestion | Platform::kMbYesNo);
    return answer == Platform::kIdYes;  // a box that could not be shown counts as No
}

bool Plug::applyRecord(const ChunkRecordData& r, bool askForeign)
{
    switch (r.type) {
        case kRecParamValue:
            setParameterAutomated(r.index, unquantiseValue(r.value));
            break;
        case kRecMidiMap:
            if (r.index < params.count) assignMidiKey(r.index, r.key());
            break;
        case kRecProgram:
            if (r.index < numPrograms) {
                std::memcpy(programs[r.index].name, r.text, kProgramNameBytes);
                programs[r.index].name[kProgramNameBytes - 1] = 0;
                snapshotProgram(r.index);
            }
            break;
        case kRecCurrentProgram:
            if (r.index < numPrograms) curProgram = r.index;
            break;
        case kRecProductName:
            if (askForeign && std::strncmp(r.text, productName, kProductNameBytes) != 0) {
                char name[31] = {};
                std::memcpy(name, r.text, strnlen(r.text, 30));
                if (!askForeignProduct(name)) return false;
            }
            break;
    }
    return true;
}

void Plug::loadState(const uint8_t* data, size_t size)
{
    // Records are applied as they are read: damage ends loading and keeps
    // everything applied before it.
    ChunkReader reader(data, size);
    ChunkRecordData r;
    while (reader.next(r))
        if (!applyRecord(r, true)) return;
    if (reader.error() != ChunkError::None) showLoadError(chunkErrorText(reader.error()));
}

bool Plug::loadWholeState(const uint8_t* data, size_t size)
{
    // The whole state is read before anything of it is applied.
    ChunkReader reader(data, size);
    ChunkRecordData r;
    const char* foreign = nullptr;
    char name[31] = {};
    while (reader.next(r))
        if (r.type == kRecProductName && !foreign && std::strncmp(r.text, productName, kProductNameBytes) != 0) {
            std::memcpy(name, r.text, strnlen(r.text, 30));
            foreign = name;
        }
    if (reader.error() != ChunkError::None) {
        showLoadError(chunkErrorText(reader.error()));
        return false;
    }
    if (foreign && !askForeignProduct(foreign)) return false;
    ChunkReader apply(data, size);
    while (apply.next(r)) applyRecord(r, false);
    return true;
}

}  // namespace PlugCore
