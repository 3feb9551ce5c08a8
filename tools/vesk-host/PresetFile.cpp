#include "tools/vesk-host/PresetFile.h"

#include <cstring>

#include "tools/vesk-host/ByteIO.h"
#include "tools/vesk-host/HostError.h"

namespace HostKit {

namespace {

constexpr size_t kNameBytes = 28;
constexpr size_t kFutureBytes = 128;  // of a bank header, currentProgram included

void writeProgramHeader(ByteWriter& w, const char (&tag)[5], const Preset& p, int32_t count, const std::string& name)
{
    w.tag("CcnK");
    w.be32(0);  // byteSize, patched by the caller
    w.tag(tag);
    w.be32(1);  // format version of a program
    w.be32(static_cast<uint32_t>(p.fxId));
    w.be32(static_cast<uint32_t>(p.fxVersion));
    w.be32(static_cast<uint32_t>(count));
    w.text(name.substr(0, kNameBytes - 1), kNameBytes);
}

void patchByteSize(ByteWriter& w, size_t start)
{
    const size_t size = w.bytes.size() - start - 8;
    if (size > 0x7FFFFFFF) throw HostError("preset too large");
    w.patchBe32(start + 4, static_cast<uint32_t>(size));
}

void writeParamProgram(ByteWriter& w, const Preset& p, const std::vector<float>& params, const std::string& name)
{
    const size_t start = w.bytes.size();
    writeProgramHeader(w, "FxCk", p, static_cast<int32_t>(params.size()), name);
    for (float v : params) w.beFloat(v);
    patchByteSize(w, start);
}

std::string nameField(const uint8_t* p, size_t n)
{
    size_t len = 0;
    while (len < n && p[len]) ++len;
    return std::string(reinterpret_cast<const char*>(p), len);
}

std::vector<uint8_t> readChunk(ByteReader& r)
{
    const int32_t size = r.be32s("chunk size");
    if (size < 0) r.fail("negative chunk size");
    if (static_cast<size_t>(size) > r.remaining())
        r.fail("truncated chunk (" + std::to_string(size) + " bytes announced, " + std::to_string(r.remaining()) +
               " present)");
    const uint8_t* p = r.take(static_cast<size_t>(size), "chunk");
    return std::vector<uint8_t>(p, p + size);
}

/// Opens one 'CcnK' record: checks the magic and returns a reader limited to its byteSize.
ByteReader openRecord(ByteReader& outer, const std::string& name)
{
    if (!outer.startsWith("CcnK")) outer.fail("not a VST preset (no 'CcnK' magic)");
    outer.skip(4, "magic");
    const uint32_t byteSize = outer.be32("byte size");
    if (byteSize > outer.remaining())
        outer.fail("truncated: byte size " + std::to_string(byteSize) + " but " + std::to_string(outer.remaining()) +
                   " bytes follow");
    const uint8_t* body = outer.take(byteSize, "record");
    return ByteReader(body, byteSize, name);
}

void readProgram(ByteReader& r, Preset& p, const std::string& tag)
{
    p.formatVersion = r.be32s("format version");
    p.fxId = r.be32s("fxID");
    p.fxVersion = r.be32s("fxVersion");
    const int32_t numParams = r.be32s("numParams");
    p.programName = nameField(r.take(kNameBytes, "program name"), kNameBytes);
    if (tag == "FPCh") {
        p.kind = PresetKind::ProgramChunk;
        p.count = numParams;
        p.chunk = readChunk(r);
        return;
    }
    p.kind = PresetKind::ProgramParams;
    if (numParams < 0 || static_cast<size_t>(numParams) > r.remaining() / 4)
        r.fail("numParams " + std::to_string(numParams) + " does not fit in the " + std::to_string(r.remaining()) +
               " bytes left");
    p.count = numParams;
    p.params.resize(static_cast<size_t>(numParams));
    for (float& v : p.params) v = r.beFloat("parameter value");
}

}  // namespace

const char* presetKindTag(PresetKind kind)
{
    switch (kind) {
    case PresetKind::ProgramParams: return "FxCk";
    case PresetKind::ProgramChunk: return "FPCh";
    case PresetKind::BankParams: return "FxBk";
    case PresetKind::BankChunk: return "FBCh";
    }
    return "????";
}

std::vector<uint8_t> encodePreset(const Preset& p)
{
    ByteWriter w;
    switch (p.kind) {
    case PresetKind::ProgramParams:
        writeParamProgram(w, p, p.params, p.programName);
        break;
    case PresetKind::ProgramChunk:
        writeProgramHeader(w, "FPCh", p, p.count, p.programName);
        w.be32(static_cast<uint32_t>(p.chunk.size()));
        w.append(p.chunk.data(), p.chunk.size());
        patchByteSize(w, 0);
        break;
    case PresetKind::BankParams:
    case PresetKind::BankChunk: {
        const bool chunk = p.kind == PresetKind::BankChunk;
        if (!chunk && static_cast<size_t>(p.count) != p.programs.size())
            throw HostError("bank announces " + std::to_string(p.count) + " programs but holds " +
                            std::to_string(p.programs.size()));
        w.tag("CcnK");
        w.be32(0);
        w.tag(chunk ? "FBCh" : "FxBk");
        w.be32(2);  // bank format version 2: with currentProgram
        w.be32(static_cast<uint32_t>(p.fxId));
        w.be32(static_cast<uint32_t>(p.fxVersion));
        w.be32(static_cast<uint32_t>(p.count));
        w.be32(static_cast<uint32_t>(p.currentProgram));
        w.bytes.insert(w.bytes.end(), kFutureBytes - 4, 0);
        if (chunk) {
            w.be32(static_cast<uint32_t>(p.chunk.size()));
            w.append(p.chunk.data(), p.chunk.size());
        } else {
            for (const ProgramValues& prog : p.programs) writeParamProgram(w, p, prog.params, prog.name);
        }
        patchByteSize(w, 0);
        break;
    }
    }
    return w.bytes;
}

Preset decodePreset(const uint8_t* data, size_t size, const std::string& name)
{
    ByteReader file(data, size, name);
    ByteReader r = openRecord(file, name);
    const std::string tag(reinterpret_cast<const char*>(r.take(4, "preset type")), 4);
    Preset p;
    if (tag == "FxCk" || tag == "FPCh") {
        readProgram(r, p, tag);
        return p;
    }
    if (tag != "FxBk" && tag != "FBCh") r.fail("unknown preset type '" + tag + "'");

    p.formatVersion = r.be32s("format version");
    p.fxId = r.be32s("fxID");
    p.fxVersion = r.be32s("fxVersion");
    const int32_t numPrograms = r.be32s("numPrograms");
    const uint8_t* future = r.take(kFutureBytes, "bank header");
    if (p.formatVersion >= 2)
        p.currentProgram = static_cast<int32_t>((static_cast<uint32_t>(future[0]) << 24) |
                                                (static_cast<uint32_t>(future[1]) << 16) |
                                                (static_cast<uint32_t>(future[2]) << 8) | future[3]);
    if (numPrograms < 0) r.fail("negative numPrograms (" + std::to_string(numPrograms) + ")");
    p.count = numPrograms;
    if (tag == "FBCh") {
        p.kind = PresetKind::BankChunk;
        p.chunk = readChunk(r);
        return p;
    }
    p.kind = PresetKind::BankParams;
    // Every program record is at least its 56-byte header long.
    if (static_cast<size_t>(numPrograms) > r.remaining() / 56)
        r.fail("numPrograms " + std::to_string(numPrograms) + " does not fit in the " + std::to_string(r.remaining()) +
               " bytes left");
    for (int32_t i = 0; i < numPrograms; ++i) {
        const std::string what = name + " (program " + std::to_string(i) + ")";
        ByteReader rec = openRecord(r, what);
        const std::string ptag(reinterpret_cast<const char*>(rec.take(4, "program type")), 4);
        if (ptag != "FxCk") rec.fail("a parameter bank holds a '" + ptag + "' record instead of 'FxCk'");
        Preset prog;
        readProgram(rec, prog, ptag);
        if (prog.fxId != p.fxId) rec.fail("program belongs to another plug-in");
        p.programs.push_back({prog.programName, std::move(prog.params)});
    }
    return p;
}

}  // namespace HostKit
