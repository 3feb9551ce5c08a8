// FXP/FXB files byte for byte as the published format lays them out, round
// trips of all four kinds, and refusal of truncated, foreign and damaged files.
// Also the state chunk helpers the command line uses for MIDI learn.
#include <gtest/gtest.h>

#include <cstring>

#include "tools/vesk-host/HostError.h"
#include "tools/vesk-host/PresetFile.h"
#include "tools/vesk-host/StateChunk.h"

using namespace HostKit;

namespace {

uint32_t be32At(const std::vector<uint8_t>& b, size_t at)
{
    return (static_cast<uint32_t>(b[at]) << 24) | (b[at + 1] << 16) | (b[at + 2] << 8) | b[at + 3];
}
std::string tagAt(const std::vector<uint8_t>& b, size_t at) { return std::string(b.begin() + at, b.begin() + at + 4); }

std::vector<uint8_t> sampleChunk(size_t n)
{
    std::vector<uint8_t> c(n);
    for (size_t i = 0; i < n; ++i) c[i] = static_cast<uint8_t>(i * 7 + 3);
    return c;
}

Preset programChunk()
{
    Preset p;
    p.kind = PresetKind::ProgramChunk;
    p.fxId = 0x56657341;  // 'VesA'
    p.fxVersion = 1;
    p.count = 14;
    p.programName = "Big Hall";
    p.chunk = sampleChunk(96);
    return p;
}

Preset bankChunk()
{
    Preset p = programChunk();
    p.kind = PresetKind::BankChunk;
    p.formatVersion = 2;
    p.count = 16;
    p.currentProgram = 5;
    p.chunk = sampleChunk(1410);
    return p;
}

Preset paramProgram()
{
    Preset p;
    p.kind = PresetKind::ProgramParams;
    p.fxId = 0x48507262;
    p.fxVersion = 7;
    p.count = 3;
    p.programName = "Values";
    p.params = {0.0f, 0.5f, 1.0f};
    return p;
}

Preset paramBank()
{
    Preset p = paramProgram();
    p.kind = PresetKind::BankParams;
    p.formatVersion = 2;
    p.count = 2;
    p.currentProgram = 1;
    p.params.clear();
    p.programs = {{"One", {0.25f, 0.5f, 0.75f}}, {"Two", {1.0f, 0.0f, 0.125f}}};
    return p;
}

/// Decodes from a heap block of exactly size bytes, so a sanitizer sees any overread.
Preset decodeExact(const std::vector<uint8_t>& bytes, size_t size)
{
    std::vector<uint8_t> copy(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(size));
    return decodePreset(copy.data(), copy.size());
}

std::string decodeError(const std::vector<uint8_t>& bytes)
{
    try {
        decodePreset(bytes.data(), bytes.size());
    } catch (const HostError& e) {
        return e.what();
    }
    return "(accepted)";
}

void putBe32(std::vector<uint8_t>& b, size_t at, uint32_t v)
{
    b[at] = static_cast<uint8_t>(v >> 24), b[at + 1] = static_cast<uint8_t>(v >> 16);
    b[at + 2] = static_cast<uint8_t>(v >> 8), b[at + 3] = static_cast<uint8_t>(v);
}

}  // namespace

TEST(PresetFile, ProgramChunkFollowsTheFxpLayout)
{
    const Preset p = programChunk();
    const std::vector<uint8_t> b = encodePreset(p);
    ASSERT_EQ(b.size(), kProgramChunkHeader + 96);
    EXPECT_EQ(tagAt(b, 0), "CcnK");
    EXPECT_EQ(be32At(b, 4), b.size() - 8);  // byteSize: everything after itself
    EXPECT_EQ(tagAt(b, 8), "FPCh");
    EXPECT_EQ(be32At(b, 12), 1u);  // fxVersion of the format
    EXPECT_EQ(tagAt(b, 16), "VesA");
    EXPECT_EQ(be32At(b, 20), 1u);   // plug-in version
    EXPECT_EQ(be32At(b, 24), 14u);  // numParams
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[28])), "Big Hall");
    for (size_t i = 28 + 8; i < 56; ++i) EXPECT_EQ(b[i], 0) << "name padding at " << i;
    EXPECT_EQ(be32At(b, 56), 96u);
    EXPECT_TRUE(std::equal(p.chunk.begin(), p.chunk.end(), b.begin() + 60));
}

TEST(PresetFile, BankChunkFollowsTheFxbLayout)
{
    const Preset p = bankChunk();
    const std::vector<uint8_t> b = encodePreset(p);
    ASSERT_EQ(b.size(), kBankChunkHeader + 1410);
    EXPECT_EQ(tagAt(b, 0), "CcnK");
    EXPECT_EQ(be32At(b, 4), b.size() - 8);
    EXPECT_EQ(tagAt(b, 8), "FBCh");
    EXPECT_EQ(be32At(b, 12), 2u);  // bank format version 2
    EXPECT_EQ(tagAt(b, 16), "VesA");
    EXPECT_EQ(be32At(b, 20), 1u);
    EXPECT_EQ(be32At(b, 24), 16u);  // numPrograms
    EXPECT_EQ(be32At(b, 28), 5u);   // currentProgram
    for (size_t i = 32; i < 156; ++i) EXPECT_EQ(b[i], 0) << "future byte " << i;
    EXPECT_EQ(be32At(b, 156), 1410u);
    EXPECT_TRUE(std::equal(p.chunk.begin(), p.chunk.end(), b.begin() + 160));
}

TEST(PresetFile, ParameterFormsStoreBigEndianFloats)
{
    const std::vector<uint8_t> prog = encodePreset(paramProgram());
    ASSERT_EQ(prog.size(), 56u + 3 * 4);
    EXPECT_EQ(tagAt(prog, 8), "FxCk");
    EXPECT_EQ(be32At(prog, 24), 3u);
    EXPECT_EQ(be32At(prog, 56), 0x00000000u);
    EXPECT_EQ(be32At(prog, 60), 0x3F000000u);  // 0.5f
    EXPECT_EQ(be32At(prog, 64), 0x3F800000u);  // 1.0f

    const std::vector<uint8_t> bank = encodePreset(paramBank());
    ASSERT_EQ(bank.size(), 156u + 2 * (56 + 12));
    EXPECT_EQ(tagAt(bank, 8), "FxBk");
    EXPECT_EQ(be32At(bank, 24), 2u);
    EXPECT_EQ(be32At(bank, 28), 1u);
    EXPECT_EQ(tagAt(bank, 156), "CcnK");  // each program is a full 'FxCk' record
    EXPECT_EQ(be32At(bank, 160), 56u + 12 - 8);
    EXPECT_EQ(tagAt(bank, 164), "FxCk");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bank[184])), "One");
    EXPECT_EQ(be32At(bank, 212), 0x3E800000u);  // 0.25f
    EXPECT_EQ(tagAt(bank, 224 + 8), "FxCk");
}

TEST(PresetFile, EveryKindRoundTrips)
{
    for (const Preset& p : {programChunk(), bankChunk(), paramProgram(), paramBank()}) {
        SCOPED_TRACE(presetKindTag(p.kind));
        const std::vector<uint8_t> bytes = encodePreset(p);
        const Preset q = decodePreset(bytes.data(), bytes.size());
        EXPECT_EQ(q.kind, p.kind);
        EXPECT_EQ(q.formatVersion, p.formatVersion);
        EXPECT_EQ(q.fxId, p.fxId);
        EXPECT_EQ(q.fxVersion, p.fxVersion);
        EXPECT_EQ(q.count, p.count);
        EXPECT_EQ(q.chunk, p.chunk);
        EXPECT_EQ(q.params, p.params);
        if (p.isBank()) {
            EXPECT_EQ(q.currentProgram, p.currentProgram);
            ASSERT_EQ(q.programs.size(), p.programs.size());
            for (size_t i = 0; i < p.programs.size(); ++i) {
                EXPECT_EQ(q.programs[i].name, p.programs[i].name);
                EXPECT_EQ(q.programs[i].params, p.programs[i].params);
            }
        } else {
            EXPECT_EQ(q.programName, p.programName);
        }
        EXPECT_EQ(encodePreset(q), bytes);
    }
}

TEST(PresetFile, NamesAreCutToTheFieldAndOldBanksHaveNoCurrentProgram)
{
    Preset p = programChunk();
    p.programName = std::string(40, 'x');
    const std::vector<uint8_t> b = encodePreset(p);
    EXPECT_EQ(b[28 + 26], 'x');
    EXPECT_EQ(b[28 + 27], 0) << "the name field keeps a terminator";
    EXPECT_EQ(decodePreset(b.data(), b.size()).programName, std::string(27, 'x'));

    // A version 1 bank's future bytes are not a program index.
    std::vector<uint8_t> bank = encodePreset(bankChunk());
    putBe32(bank, 12, 1);
    EXPECT_EQ(decodePreset(bank.data(), bank.size()).currentProgram, 0);
}

TEST(PresetFile, RefusesEveryTruncatedFile)
{
    for (const Preset& p : {programChunk(), bankChunk(), paramProgram(), paramBank()}) {
        const std::vector<uint8_t> whole = encodePreset(p);
        for (size_t n = 0; n < whole.size(); ++n)
            EXPECT_THROW(decodeExact(whole, n), HostError) << presetKindTag(p.kind) << " cut to " << n;
    }
}

TEST(PresetFile, RefusesForeignAndDamagedFilesWithAReason)
{
    const std::vector<uint8_t> prog = encodePreset(programChunk());
    const std::vector<uint8_t> bank = encodePreset(paramBank());
    struct Damage {
        const char* what;
        const std::vector<uint8_t>* base;
        size_t offset;
        uint32_t value;
        const char* reason;
    };
    const Damage cases[] = {
        {"a WAV file", &prog, 0, 0x52494646, "no 'CcnK' magic"},
        {"unknown type", &prog, 8, 0x46785a5a, "unknown preset type 'FxZZ'"},
        {"byteSize past the end", &prog, 4, 0x7FFFFFF0, "truncated: byte size"},
        {"chunk past byteSize", &prog, 56, 97, "truncated chunk"},
        {"negative chunk size", &prog, 56, 0x80000000, "negative chunk size"},
        {"program count beyond the data", &bank, 24, 3, "numPrograms 3"},
        {"negative program count", &bank, 24, 0xFFFFFFFF, "negative numPrograms"},
        {"chunk program inside a value bank", &bank, 164, 0x46504368, "instead of 'FxCk'"},
        {"program of another plug-in", &bank, 168 + 4, 0x12345678, "another plug-in"},
        {"value count beyond the data", &bank, 168 + 12, 100, "numParams 100"},
    };
    for (const Damage& d : cases) {
        std::vector<uint8_t> b = *d.base;
        putBe32(b, d.offset, d.value);
        EXPECT_NE(decodeError(b).find(d.reason), std::string::npos) << d.what << ": " << decodeError(b);
    }
    std::vector<uint8_t> values = encodePreset(paramProgram());
    putBe32(values, 24, 0x80000001);
    EXPECT_NE(decodeError(values).find("numParams"), std::string::npos) << decodeError(values);
}

TEST(PresetFile, SurvivesCorruptionOfEveryHeaderByte)
{
    for (const Preset& p : {bankChunk(), paramBank()}) {
        const std::vector<uint8_t> good = encodePreset(p);
        const size_t header = p.kind == PresetKind::BankChunk ? kBankChunkHeader : good.size();
        for (size_t at = 0; at < header; ++at)
            for (uint8_t v : {0x00, 0x01, 0x7F, 0x80, 0xFF}) {
                std::vector<uint8_t> b = good;
                b[at] = v;
                try {
                    const Preset q = decodeExact(b, b.size());
                    EXPECT_LE(q.chunk.size() + q.params.size() * 4, b.size());
                } catch (const HostError&) {
                }
            }
    }
}

TEST(StateChunk, RecognisesTheMagicAndAppendsALittleEndianMidiMap)
{
    std::vector<uint8_t> chunk = {0x75, 0x3D, 0x8C, 0x28, 5, 0, 0, 0};
    EXPECT_TRUE(isStateChunk(chunk.data(), chunk.size()));
    EXPECT_FALSE(isStateChunk(chunk.data(), 7)) << "a header is eight bytes";
    const std::vector<uint8_t> bigEndian = {0x28, 0x8C, 0x3D, 0x75, 5, 0, 0, 0};
    EXPECT_FALSE(isStateChunk(bigEndian.data(), bigEndian.size()));

    appendMidiMap(chunk, 13, controllerKey(7));
    const std::vector<uint8_t> record(chunk.end() - 4, chunk.end());
    EXPECT_EQ(record, (std::vector<uint8_t>{1, 13, 0x07, 0xB0}));
    EXPECT_THROW(appendMidiMap(chunk, 256, controllerKey(7)), HostError);
    EXPECT_THROW(appendMidiMap(chunk, -1, controllerKey(7)), HostError);
}

TEST(StateChunk, SummaryCountsRecordsAndNamesDamage)
{
    std::vector<uint8_t> c = {0x75, 0x3D, 0x8C, 0x28, 5, 0, 0, 0};
    c.push_back(4);
    const char name[31] = "Vesk2";
    c.insert(c.end(), name, name + 31);
    for (int i = 0; i < 3; ++i) c.insert(c.end(), {0, static_cast<uint8_t>(i), 0x00, 0x7D});
    c.insert(c.end(), {3, 2});
    appendMidiMap(c, 1, controllerKey(11));
    StateChunkSummary s = summarizeStateChunk(c.data(), c.size());
    EXPECT_EQ(s.version, 5);
    EXPECT_EQ(s.product, "Vesk2");
    EXPECT_EQ(s.values, 3);
    EXPECT_EQ(s.midiMaps, 1);
    EXPECT_EQ(s.currentProgram, 2);
    EXPECT_TRUE(s.damage.empty()) << s.damage;

    c.insert(c.end(), {2, 0, 'x'});  // a program record cut short
    s = summarizeStateChunk(c.data(), c.size());
    EXPECT_NE(s.damage.find("truncated record of type 2"), std::string::npos) << s.damage;
    c.back() = 9;
    c[c.size() - 3] = 9;
    s = summarizeStateChunk(c.data(), c.size());
    EXPECT_NE(s.damage.find("unknown record type 9"), std::string::npos) << s.damage;
}
