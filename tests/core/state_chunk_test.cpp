// Programs and the state chunk: switching, names, the byte format in program
// and bank form, and loading with every check, message and question.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "platform/resources.h"
#include "tests/core/ChunkBytes.h"
#include "tests/core/TestEffect.h"
#include "tests/support/FakeHost.h"
#include "tests/support/ScopedResources.h"
#include "tests/support/RecordingDialogs.h"

using CoreTest::ChunkBytes;
using CoreTest::TestEffect;
using TestSupport::FakeHost;
using TestSupport::RecordingDialogs;

namespace {

const char* const kLaterVersion =
    "Program or bank was saved with a later version.\nPlease update the plugin and try again.";

bool noResource(const char*, const char*, Platform::ResourceBytes&) { return false; }

/// The whole observable state of an effect, for before/after comparisons.
struct Snapshot {
    explicit Snapshot(TestEffect& fx)
    {
        for (uint32_t i = 0; i < fx.paramCount(); ++i) {
            values.push_back(fx.param(i).value.load());
            keys.push_back(fx.getMidiKey(i));
        }
        for (int32_t p = 0; p < fx.programCount(); ++p) {
            names.emplace_back(fx.program(p).name);
            for (uint32_t i = 0; i < fx.paramCount(); ++i) programValues.push_back(fx.program(p).values[i]);
        }
        current = fx.getProgram();
    }
    bool operator==(const Snapshot&) const = default;
    std::vector<float> values;
    std::vector<int32_t> keys;
    std::vector<std::string> names;
    std::vector<float> programValues;
    int32_t current;
};

std::ostream& operator<<(std::ostream& os, const Snapshot& s)
{
    os << "program " << s.current << ", values";
    for (float v : s.values) os << ' ' << v;
    return os;
}

float dequantised(uint16_t raw) { return static_cast<float>(raw) * 1.5625e-5f; }

class StateChunk : public ::testing::Test {
protected:
    StateChunk() { fx->loadFactoryBank(); }

    std::unique_ptr<TestEffect> fresh(const char* name = "CoreFx")
    {
        auto f = std::make_unique<TestEffect>(FakeHost::callback(), name);
        f->loadFactoryBank();
        return f;
    }
    void load(const ChunkBytes& c) { fx->load(c.bytes); }
    void expectOneError(const std::string& text)
    {
        ASSERT_EQ(dialogs.boxes.size(), 1u);
        EXPECT_EQ(dialogs.boxes[0].text, "Error loading chunk: " + text);
        EXPECT_EQ(dialogs.boxes[0].caption, "CoreFx error");
        EXPECT_EQ(dialogs.boxes[0].style, 0x2010u);
    }

    TestSupport::ScopedResources resources{noResource};
    FakeHost host;
    RecordingDialogs dialogs;
    std::unique_ptr<TestEffect> fx = std::make_unique<TestEffect>(FakeHost::callback());
};

}  // namespace

// ---------------------------------------------------------------- programs

TEST_F(StateChunk, NewProgramsHoldTheBuiltInValues)
{
    for (int32_t p = 0; p < 16; ++p) {
        EXPECT_EQ(std::string(fx->program(p).name), "Init " + std::to_string(p + 1));
        for (uint32_t i = 0; i < 14; ++i) EXPECT_EQ(fx->program(p).values[i], TestEffect::builtInDefault(i));
    }
}

TEST_F(StateChunk, ProgramsAreEditedInPlace)
{
    fx->setProgram(3);
    fx->setParameter(0, 0.3f);
    fx->setParameter(TestEffect::kNoProgramParam, 0.9f);
    fx->setProgram(5);
    EXPECT_EQ(fx->getProgram(), 5);
    EXPECT_EQ(fx->getParameter(0), TestEffect::builtInDefault(0));
    EXPECT_EQ(fx->getParameter(TestEffect::kNoProgramParam), 0.9f) << "Mode-like parameter keeps its value";
    EXPECT_EQ(fx->program(3).values[0], 0.3f);
    EXPECT_EQ(fx->program(3).values[TestEffect::kNoProgramParam], 0.9f) << "yet it is stored into the program left";
    // ... and written in the bank: program 3's record of that parameter.
    const std::vector<uint8_t> bank = fx->chunk(false);
    const size_t at = 8 + 32 + 3 * (14 * 4 + 26) + TestEffect::kNoProgramParam * 4;
    ASSERT_EQ(bank[at], 0);
    EXPECT_EQ(bank[at + 1], TestEffect::kNoProgramParam);
    EXPECT_EQ(bank[at + 2] | bank[at + 3] << 8, static_cast<int>(0.9f * 64000.0f));

    fx->setParameter(0, 0.6f);
    fx->setParameter(TestEffect::kNoProgramParam, 0.2f);
    fx->setProgram(3);
    EXPECT_EQ(fx->getParameter(0), 0.3f) << "program 3 as it was last edited";
    EXPECT_EQ(fx->getParameter(TestEffect::kNoProgramParam), 0.2f);
    fx->setProgram(5);
    EXPECT_EQ(fx->getParameter(0), 0.6f);
    EXPECT_EQ(fx->program(3).values[TestEffect::kNoProgramParam], 0.2f) << "it went along into program 3";

    EXPECT_TRUE(host.automated.empty()) << "switching programs does not automate";
}

TEST_F(StateChunk, ProgramNames)
{
    fx->setProgram(2);
    fx->setProgramName("Hall");
    char name[64];
    fx->getProgramName(name);
    EXPECT_STREQ(name, "Hall");
    fx->setProgramName("123456789012345678901234567890");
    fx->getProgramName(name);
    EXPECT_STREQ(name, "12345678901234567890123");
    ASSERT_TRUE(fx->getProgramNameIndexed(0, 2, name));
    EXPECT_STREQ(name, "12345678901234567890123");
    ASSERT_TRUE(fx->getProgramNameIndexed(7, 0, name)) << "the category is ignored";
    EXPECT_STREQ(name, "Init 1");
    EXPECT_FALSE(fx->getProgramNameIndexed(0, 16, name));

    // A shorter name leaves nothing of the longer one in the saved field.
    fx->setProgramName("Room");
    const std::vector<uint8_t> bank = fx->chunk(false);
    std::vector<PlugCore::ChunkRecordData> records;
    ASSERT_EQ(PlugCore::decodeChunk(bank.data(), bank.size(), records), PlugCore::ChunkError::None);
    int seen = 0;
    for (const auto& r : records)
        if (r.type == PlugCore::kRecProgram && r.index == 2) {
            ++seen;
            EXPECT_EQ(std::string(r.text, 24), std::string("Room") + std::string(20, '\0'));
        }
    EXPECT_EQ(seen, 1);
}

// ---------------------------------------------------------------- format

TEST_F(StateChunk, ProgramFormLayout)
{
    fx->setParameter(0, 1.0f);
    fx->setParameter(1, 0.5f);
    fx->setParameter(2, 0.99999f);
    fx->setParameter(3, 0.0f);
    fx->setParameter(6, 0.00001f);  // 0.64 steps
    fx->assignMidiKey(9, static_cast<int16_t>(0xB007));
    fx->assignMidiKey(4, static_cast<int16_t>(0xB026));
    const std::vector<uint8_t> c = fx->chunk(true);

    ASSERT_EQ(c.size(), 96u + 4 * 2);
    EXPECT_EQ(std::vector<uint8_t>(c.begin(), c.begin() + 8), (std::vector<uint8_t>{0x75, 0x3D, 0x8C, 0x28, 5, 0, 0, 0}));
    EXPECT_EQ(c[8], 4);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&c[9])), "CoreFx");
    for (size_t i = 9 + 6; i < 40; ++i) EXPECT_EQ(c[i], 0) << "zero padding at " << i;

    auto raw = [&](size_t at) { return c[at + 2] | c[at + 3] << 8; };
    for (uint32_t i = 0; i < 14; ++i) {
        EXPECT_EQ(c[40 + 4 * i], 0) << i;
        EXPECT_EQ(c[41 + 4 * i], i);
    }
    EXPECT_EQ(raw(40), 64000);
    EXPECT_EQ(raw(44), 32000);
    EXPECT_EQ(raw(48), 63999) << "truncated, not rounded";
    EXPECT_EQ(raw(52), 0);
    EXPECT_EQ(raw(40 + 4 * 6), 0);
    EXPECT_EQ(raw(40 + 4 * 5), static_cast<int>(TestEffect::builtInDefault(5) * 64000.0f));

    // Mappings in index order, low 16 bits of the key.
    EXPECT_EQ(std::vector<uint8_t>(c.begin() + 96, c.end()),
              (std::vector<uint8_t>{1, 4, 0x26, 0xB0, 1, 9, 0x07, 0xB0}));
}

TEST_F(StateChunk, BankFormLayout)
{
    fx->setProgram(1);
    fx->setProgramName("Second");
    fx->setProgram(6);
    const std::vector<uint8_t> c = fx->chunk(false);
    ASSERT_EQ(c.size(), 1410u);
    size_t at = 40;
    for (int p = 0; p < 16; ++p) {
        for (uint32_t i = 0; i < 14; ++i, at += 4) {
            ASSERT_EQ(c[at], 0);
            ASSERT_EQ(c[at + 1], i);
        }
        ASSERT_EQ(c[at], 2);
        ASSERT_EQ(c[at + 1], p);
        const std::string name(reinterpret_cast<const char*>(&c[at + 2]));
        EXPECT_EQ(name, p == 1 ? "Second" : "Init " + std::to_string(p + 1));
        at += 26;
    }
    EXPECT_EQ(c[at], 3);
    EXPECT_EQ(c[at + 1], 6);
    EXPECT_EQ(c.size() - at - 2, 14u * 4) << "then the current values";
}

TEST_F(StateChunk, SizesGrowByFourPerMapping)
{
    for (uint32_t m : {0u, 1u, 3u, 14u}) {
        auto f = fresh();
        for (uint32_t i = 0; i < m; ++i) f->assignMidiKey(i, static_cast<int16_t>(0xB000 + 1 + i));
        EXPECT_EQ(f->chunk(false).size(), 1410u + 4 * m);
        EXPECT_EQ(f->chunk(true).size(), 96u + 4 * m);
    }
}

TEST_F(StateChunk, QuantisationReadsBack)
{
    struct Case {
        uint16_t raw;
        float value;
    };
    for (Case c : {Case{64000, 1.0f}, Case{65535, 1.0f}, Case{32000, 0.5f}, Case{0, 0.0f}, Case{1, 1.5625e-5f},
                   Case{63999, dequantised(63999)}}) {
        load(ChunkBytes().name("CoreFx").value(3, c.raw));
        EXPECT_EQ(fx->getParameter(3), c.value) << c.raw;
    }
    EXPECT_LT(dequantised(63999), 1.0f);
    EXPECT_TRUE(dialogs.boxes.empty());

    // Saving what was loaded gives the same steps back, however often.
    for (uint32_t raw = 0; raw <= 64000; raw += 1) {
        const float v = dequantised(static_cast<uint16_t>(raw));
        ASSERT_EQ(static_cast<uint32_t>(v * 64000.0f), raw);
    }
}

// ---------------------------------------------------------------- round trips

TEST_F(StateChunk, BankRoundTripThroughAFreshInstance)
{
    fx->setProgram(2);
    fx->setParameter(0, 0.123f);
    fx->setProgramName("Plate");
    fx->setProgram(9);
    fx->setParameter(4, 0.777f);
    fx->setParameter(TestEffect::kNoProgramParam, 1.0f);
    fx->setProgramName("Church");
    fx->assignMidiKey(4, static_cast<int16_t>(0xB001));
    fx->assignMidiKey(0, static_cast<int16_t>(0xB040));
    fx->setParameter(1, 0.31f);  // current values differ from the stored program 9
    const std::vector<uint8_t> bank = fx->chunk(false);

    auto b = fresh();
    b->assignMidiKey(7, static_cast<int16_t>(0xB050));  // not in the chunk: stays
    b->load(bank);
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_EQ(b->getProgram(), 9);
    EXPECT_STREQ(b->program(2).name, "Plate");
    EXPECT_STREQ(b->program(9).name, "Church");
    EXPECT_STREQ(b->program(3).name, "Init 4");
    EXPECT_NEAR(b->program(2).values[0], 0.123f, 1.6e-5);
    EXPECT_EQ(b->program(9).values[4], TestEffect::builtInDefault(4))
        << "the current program holds what it held when it was last left";
    EXPECT_NEAR(b->getParameter(1), 0.31f, 1.6e-5);
    EXPECT_NEAR(b->getParameter(4), 0.777f, 1.6e-5);
    EXPECT_EQ(b->getParameter(TestEffect::kNoProgramParam), 1.0f);
    EXPECT_EQ(b->getMidiKey(4), static_cast<int16_t>(0xB001));
    EXPECT_EQ(b->getMidiKey(0), static_cast<int16_t>(0xB040));
    EXPECT_EQ(b->getMidiKey(7), static_cast<int16_t>(0xB050));

    b->assignMidiKey(7, -1);
    EXPECT_EQ(b->chunk(false), bank) << "the loaded bank saves to the same bytes";
    auto c = fresh();
    c->load(b->chunk(false));
    EXPECT_EQ(c->chunk(false), bank) << "and stays so, save after save";
}

TEST_F(StateChunk, ProgramFormRestoresValuesAndMappingsOnly)
{
    fx->setProgram(4);
    fx->setProgramName("Edited");
    fx->setParameter(2, 0.25f);
    fx->setParameter(8, 1.0f);
    fx->assignMidiKey(2, static_cast<int16_t>(0xB015));
    const std::vector<uint8_t> preset = fx->chunk(true);

    auto b = fresh();
    b->setProgram(1);
    const Snapshot before(*b);
    b->load(preset);
    EXPECT_EQ(b->getParameter(2), 0.25f);
    EXPECT_EQ(b->getParameter(8), 1.0f);
    EXPECT_EQ(b->getMidiKey(2), static_cast<int16_t>(0xB015));
    EXPECT_EQ(b->getProgram(), 1) << "programs and names are left alone";
    const Snapshot after(*b);
    EXPECT_EQ(after.names, before.names);
    EXPECT_EQ(after.programValues, before.programValues);
    EXPECT_EQ(b->chunk(true), preset);
}

TEST_F(StateChunk, ValueRecordsAutomateTheHost)
{
    load(ChunkBytes().name("CoreFx").value(1, 32000).value(7, 64000));
    ASSERT_EQ(host.automated.size(), 2u);
    EXPECT_EQ(host.automated[0], std::make_pair(1, 0.5f));
    EXPECT_EQ(host.automated[1], std::make_pair(7, 1.0f));
}

// ---------------------------------------------------------------- header errors

TEST_F(StateChunk, HeaderErrorsApplyNothing)
{
    struct Case {
        std::vector<uint8_t> bytes;
        std::string text;
    };
    const ChunkBytes good = ChunkBytes().name("CoreFx").value(0, 0).map(0, 0xB007).current(3);
    const std::vector<Case> cases = {
        {{}, "No header"},
        {{0x75, 0x3D, 0x8C, 0x28, 5, 0, 0}, "No header"},
        {ChunkBytes(5, 0, 0x288C3D76).append(std::vector<uint8_t>(good.bytes.begin() + 8, good.bytes.end())).bytes,
         "Invalid header"},
        {ChunkBytes(5, 0, 0x753D8C28).bytes, "Invalid header"},
        {ChunkBytes(6).append(std::vector<uint8_t>(good.bytes.begin() + 8, good.bytes.end())).bytes, kLaterVersion},
        {ChunkBytes(0x7FFF).bytes, kLaterVersion},
        {ChunkBytes(5, 1).append(std::vector<uint8_t>(good.bytes.begin() + 8, good.bytes.end())).bytes, kLaterVersion},
        {ChunkBytes(5, 0x0100).bytes, kLaterVersion},
        {ChunkBytes(5, 0x8000).bytes, kLaterVersion},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text + ", " + std::to_string(c.bytes.size()) + " bytes");
        dialogs.boxes.clear();
        const Snapshot before(*fx);
        fx->load(c.bytes);
        expectOneError(c.text);
        EXPECT_EQ(Snapshot(*fx), before);
        EXPECT_TRUE(host.automated.empty());
    }
}

TEST_F(StateChunk, EarlierVersionsAndAHeaderAloneAreAccepted)
{
    const Snapshot before(*fx);
    load(ChunkBytes());
    EXPECT_TRUE(dialogs.boxes.empty()) << "a header alone is a valid, empty chunk";
    EXPECT_EQ(Snapshot(*fx), before);

    load(ChunkBytes(4).value(0, 32000));
    load(ChunkBytes(-1).value(1, 32000));
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_EQ(fx->getParameter(0), 0.5f);
    EXPECT_EQ(fx->getParameter(1), 0.5f);
}

TEST_F(StateChunk, ErrorCaptionNamesTheProduct)
{
    TestEffect other(FakeHost::callback(), "Quux");
    const std::vector<uint8_t> seven = {1, 2, 3, 4, 5, 6, 7};
    other.load(seven);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].caption, "Quux error");
    EXPECT_EQ(dialogs.boxes[0].text, "Error loading chunk: No header");
}

// ---------------------------------------------------------------- damaged records

TEST_F(StateChunk, RecordsBeforeADamagedOneStayApplied)
{
    const ChunkBytes head =
        ChunkBytes().name("CoreFx").value(0, 32000).map(1, 0xB007).program(3, "Kept").current(4).value(2, 16000);
    struct Case {
        const char* what;
        std::vector<uint8_t> tail;  ///< truncated records end the chunk; others are followed by more
        bool truncated;
    };
    const std::vector<Case> cases = {
        {"program record one byte short", ChunkBytes::empty().program(5, "Lost").cut(1).bytes, true},
        {"value record one byte short", {0, 5, 0x00}, true},
        {"mapping record one byte short", {1, 5, 0x07}, true},
        {"current program record without its byte", {3}, true},
        {"name record one byte short", ChunkBytes::empty().name("CoreFx").cut(1).bytes, true},
        {"undefined type 5", {5, 0, 0, 0, 0, 0, 0, 0}, false},
        {"undefined type 255", {255, 0, 0, 0}, false},
        {"undefined type 5 at the very end", {5}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto f = fresh();
        dialogs.boxes.clear();
        ChunkBytes bytes = ChunkBytes(head).append(c.tail);
        if (!c.truncated) bytes.value(9, 64000).program(5, "Lost");
        f->load(bytes.bytes);
        ASSERT_EQ(dialogs.boxes.size(), 1u);
        EXPECT_EQ(dialogs.boxes[0].text, "Error loading chunk: Chunk appears corrupted.");
        EXPECT_EQ(dialogs.boxes[0].caption, "CoreFx error");
        EXPECT_EQ(dialogs.boxes[0].style, 0x2010u);
        EXPECT_EQ(f->getParameter(0), 0.5f);
        EXPECT_EQ(f->getMidiKey(1), static_cast<int16_t>(0xB007));
        EXPECT_STREQ(f->program(3).name, "Kept");
        EXPECT_EQ(f->program(3).values[0], 0.5f) << "the program record took the values before it";
        EXPECT_EQ(f->getProgram(), 4);
        EXPECT_EQ(f->getParameter(2), 0.25f);
        EXPECT_STREQ(f->program(5).name, "Init 6");
        EXPECT_EQ(f->getParameter(5), TestEffect::builtInDefault(5));
        EXPECT_EQ(f->getParameter(9), TestEffect::builtInDefault(9)) << "nothing after the damage";
    }
}

TEST_F(StateChunk, RecordsOutsideTheTablesAreSkipped)
{
    const Snapshot before(*fx);
    load(ChunkBytes()
             .name("CoreFx")
             .map(14, 0xB007)
             .map(255, 0xB008)
             .current(16)
             .current(255)
             .program(16, "Nowhere")
             .program(255, "Nowhere")
             .value(14, 64000)
             .value(255, 64000));
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_EQ(Snapshot(*fx), before);
    EXPECT_TRUE(host.automated.empty()) << "the host hears of no parameter that does not exist";

    // They are skipped, not fatal: what follows them is applied.
    load(ChunkBytes().map(200, 0xB009).program(40, "x").current(99).value(6, 64000).map(6, 0xB009).current(15));
    EXPECT_EQ(fx->getParameter(6), 1.0f);
    EXPECT_EQ(fx->getMidiKey(6), static_cast<int16_t>(0xB009));
    EXPECT_EQ(fx->getProgram(), 15);
}

TEST_F(StateChunk, ProgramRecordsTakeTheCurrentValuesAndATerminatedName)
{
    load(ChunkBytes().value(0, 16000).program(7, "ABCDEFGHIJKLMNOPQRSTUVWXYZ").current(7));
    EXPECT_STREQ(fx->program(7).name, "ABCDEFGHIJKLMNOPQRSTUVW") << "the 24th byte is forced to 0";
    EXPECT_EQ(fx->program(7).values[0], 0.25f);
    EXPECT_EQ(fx->program(7).values[1], TestEffect::builtInDefault(1));
    EXPECT_EQ(fx->getProgram(), 7);
    EXPECT_EQ(fx->getParameter(0), 0.25f) << "the program index record does not switch programs";
}

TEST_F(StateChunk, MappingsFromAChunkKeepKeysUnique)
{
    fx->assignMidiKey(5, static_cast<int16_t>(0xB007));
    fx->assignMidiKey(6, static_cast<int16_t>(0xB008));
    load(ChunkBytes().map(3, 0xB007).map(9, 0xB00A).map(10, 0xB00A));
    EXPECT_EQ(fx->getMidiKey(3), static_cast<int16_t>(0xB007));
    EXPECT_EQ(fx->getMidiKey(5), -1) << "the key moved away from its old holder";
    EXPECT_EQ(fx->getMidiKey(6), static_cast<int16_t>(0xB008)) << "mappings the chunk does not mention stay";
    EXPECT_EQ(fx->getMidiKey(9), -1);
    EXPECT_EQ(fx->getMidiKey(10), static_cast<int16_t>(0xB00A));

    load(ChunkBytes().name("CoreFx").value(0, 0));
    EXPECT_EQ(fx->getMidiKey(3), static_cast<int16_t>(0xB007)) << "a chunk without mappings leaves them";
}

// ---------------------------------------------------------------- other products

TEST_F(StateChunk, ForeignProductAnsweredNoChangesNothing)
{
    fx->assignMidiKey(2, static_cast<int16_t>(0xB011));
    const Snapshot before(*fx);
    dialogs.answers = {Platform::kIdNo};
    load(ChunkBytes().name("Other").value(0, 64000).map(1, 0xB011).program(0, "Foreign").current(5));
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, "Trying to load a preset for \"Other\"\nDo you want to continue?");
    EXPECT_EQ(dialogs.boxes[0].caption, "CoreFx");
    EXPECT_EQ(dialogs.boxes[0].style, 0x2024u);
    EXPECT_EQ(Snapshot(*fx), before);
    EXPECT_TRUE(host.automated.empty());

    // Any answer other than Yes (a box that could not be shown, Cancel) declines too.
    for (int answer : {0, int{Platform::kIdCancel}, int{Platform::kIdOk}}) {
        dialogs.answers = {answer};
        load(ChunkBytes().name("Other").value(0, 64000));
        EXPECT_EQ(Snapshot(*fx), before) << answer;
    }
}

TEST_F(StateChunk, ForeignProductAnsweredYesLoads)
{
    dialogs.answers = {Platform::kIdYes};
    load(ChunkBytes().name("Other").value(0, 64000).map(1, 0xB011).program(0, "Foreign").current(5));
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(fx->getParameter(0), 1.0f);
    EXPECT_EQ(fx->getMidiKey(1), static_cast<int16_t>(0xB011));
    EXPECT_STREQ(fx->program(0).name, "Foreign");
    EXPECT_EQ(fx->getProgram(), 5);
}

TEST_F(StateChunk, WhichNamesCountAsForeign)
{
    struct Case {
        std::vector<uint8_t> record;
        const char* quoted;  ///< null: no question
    };
    std::vector<uint8_t> withTail = ChunkBytes::empty().name("CoreFx").bytes;
    withTail[8] = 'X';  // bytes after the terminator do not count
    const std::string longName = "ABCDEFGHIJKLMNOPQRSTUVWXYZ01234";  // 31 characters, no terminator
    const std::vector<Case> cases = {
        {ChunkBytes::empty().name("CoreFx").bytes, nullptr},
        {withTail, nullptr},
        {ChunkBytes::empty().name("CoreF").bytes, "CoreF"},
        {ChunkBytes::empty().name("CoreFxx").bytes, "CoreFxx"},
        {ChunkBytes::empty().name("corefx").bytes, "corefx"},
        {ChunkBytes::empty().name("").bytes, ""},
        {ChunkBytes::empty().name(longName).bytes, "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123"},
    };
    for (const Case& c : cases) {
        dialogs.boxes.clear();
        load(ChunkBytes().append(c.record));
        if (!c.quoted) {
            EXPECT_TRUE(dialogs.boxes.empty());
            continue;
        }
        ASSERT_EQ(dialogs.boxes.size(), 1u) << c.quoted;
        EXPECT_EQ(dialogs.boxes[0].text,
                  std::string("Trying to load a preset for \"") + c.quoted + "\"\nDo you want to continue?");
    }
}
