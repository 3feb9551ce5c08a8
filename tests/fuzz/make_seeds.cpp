// Writes the fuzz targets' seed corpus: make_fuzz_seeds OUTPUT_FOLDER fills
// OUTPUT_FOLDER/chunk and OUTPUT_FOLDER/factory_bank. Every seed starts with
// the byte that answers the question about another product's state (1: Yes,
// 0: No), followed by a state chunk or a factory bank resource.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/core/ChunkBytes.h"
#include "tests/fuzz/FuzzEffect.h"

namespace fs = std::filesystem;
using CoreTest::ChunkBytes;

namespace {

constexpr uint8_t kYes = 1;
constexpr uint8_t kNo = 0;

void write(const fs::path& folder, const std::string& name, uint8_t answer, const std::vector<uint8_t>& bytes)
{
    fs::create_directories(folder);
    std::ofstream out(folder / name, std::ios::binary | std::ios::trunc);
    out.put(static_cast<char>(answer));
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    std::printf("%s/%s: %zu bytes\n", folder.filename().string().c_str(), name.c_str(), bytes.size() + 1);
}

/// An instance with renamed and edited programs, mappings and a current program.
void edit(Fuzz::Effect& fx)
{
    for (int32_t p = 0; p < Fuzz::kPrograms; ++p) {
        fx.setProgram(p);
        fx.setParameter(static_cast<int32_t>(p % Fuzz::kParams), 0.05f * static_cast<float>(p));
        fx.setParameter(12, p % 2 ? 1.0f : 0.0f);
        fx.setProgramName(("Seed program " + std::to_string(p)).c_str());
    }
    fx.setProgram(5);
    fx.assignMidiKey(0, static_cast<int16_t>(0xB001));
    fx.assignMidiKey(7, static_cast<int16_t>(0xB026));
    fx.assignMidiKey(13, static_cast<int16_t>(0xB077));
}

std::vector<uint8_t> cut(std::vector<uint8_t> bytes, size_t n)
{
    bytes.resize(bytes.size() > n ? bytes.size() - n : 0);
    return bytes;
}

std::vector<uint8_t> patched(std::vector<uint8_t> bytes, size_t at, std::vector<uint8_t> with)
{
    for (size_t i = 0; i < with.size() && at + i < bytes.size(); ++i) bytes[at + i] = with[i];
    return bytes;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    const fs::path chunkSeeds = fs::path(argv[1]) / "chunk";
    const fs::path bankSeeds = fs::path(argv[1]) / "factory_bank";

    Fuzz::Effect plain(&Fuzz::host);
    Fuzz::Effect edited(&Fuzz::host);
    edit(edited);
    const std::vector<uint8_t> defaultBank = Fuzz::chunkOf(plain, false);
    const std::vector<uint8_t> bank = Fuzz::chunkOf(edited, false);
    const std::vector<uint8_t> program = Fuzz::chunkOf(edited, true);
    const ChunkBytes foreign = ChunkBytes()
                                   .name("Other")
                                   .value(0, 64000)
                                   .value(12, 0)
                                   .map(2, 0xB007)
                                   .program(1, "Foreign program")
                                   .current(1);
    const ChunkBytes everyRecord = ChunkBytes()
                                       .name(Fuzz::kProduct)
                                       .value(1, 32000)
                                       .map(1, 0xB014)
                                       .program(2, "Every record")
                                       .current(2)
                                       .value(4, 16000)
                                       .raw({7, 1, 2, 3});

    // State chunks.
    write(chunkSeeds, "bank_default", kYes, defaultBank);
    write(chunkSeeds, "bank_edited", kYes, bank);
    write(chunkSeeds, "program_edited", kYes, program);
    write(chunkSeeds, "bank_truncated_mid_record", kYes, cut(bank, 700));
    write(chunkSeeds, "program_truncated_mid_record", kYes, cut(program, 2));
    write(chunkSeeds, "foreign_product_yes", kYes, foreign.bytes);
    write(chunkSeeds, "foreign_product_no", kNo, foreign.bytes);
    write(chunkSeeds, "foreign_long_name", kYes,
          ChunkBytes().name("A product name of 31 characters").value(3, 100).bytes);
    write(chunkSeeds, "every_record_type", kYes, everyRecord.bytes);
    write(chunkSeeds, "records_outside_the_tables", kYes,
          ChunkBytes().map(14, 0xB007).map(255, 0xB008).current(16).program(16, "x").value(200, 1).value(0, 1).bytes);
    write(chunkSeeds, "quantisation_steps", kYes,
          ChunkBytes().value(0, 0).value(1, 1).value(2, 32000).value(3, 63999).value(4, 64000).value(5, 65535).bytes);
    write(chunkSeeds, "mapping_moves_keys", kYes,
          ChunkBytes().map(1, 0xB007).map(2, 0xB007).map(3, 0xFFFF).map(4, 0x7FFF).bytes);
    write(chunkSeeds, "header_only", kYes, ChunkBytes().bytes);
    write(chunkSeeds, "header_short", kYes, cut(ChunkBytes().bytes, 1));
    write(chunkSeeds, "header_bad_magic", kYes, ChunkBytes(5, 0, 0x288C3D76).name(Fuzz::kProduct).bytes);
    write(chunkSeeds, "header_later_version", kYes, ChunkBytes(6).name(Fuzz::kProduct).bytes);
    write(chunkSeeds, "header_reserved_word", kYes, ChunkBytes(5, 1).name(Fuzz::kProduct).bytes);

    // Factory bank resources.
    write(bankSeeds, "valid_bank", kYes, CoreTest::fxbAround(bank));
    write(bankSeeds, "valid_bank_default", kYes, CoreTest::fxbAround(defaultBank));
    write(bankSeeds, "valid_bank_trailing_byte", kYes, [&] {
        std::vector<uint8_t> b = CoreTest::fxbAround(bank);
        b.push_back(0);
        return b;
    }());
    write(bankSeeds, "foreign_product_no", kNo, CoreTest::fxbAround(foreign.bytes));
    write(bankSeeds, "foreign_product_yes", kYes, CoreTest::fxbAround(foreign.bytes));
    write(bankSeeds, "damaged_chunk", kYes, CoreTest::fxbAround(everyRecord.bytes));
    write(bankSeeds, "empty_chunk", kYes, CoreTest::fxbAround({}));
    write(bankSeeds, "truncated", kYes, cut(CoreTest::fxbAround(bank), 1));
    write(bankSeeds, "header_cut_short", kYes, cut(CoreTest::fxbAround(bank), CoreTest::fxbAround(bank).size() - 100));
    write(bankSeeds, "bad_magic", kYes, patched(CoreTest::fxbAround(bank), 0, {'K', 'n', 'c', 'C'}));
    write(bankSeeds, "program_file_type", kYes, patched(CoreTest::fxbAround(program), 8, {'F', 'P', 'C', 'h'}));
    write(bankSeeds, "chunk_size_too_large", kYes, patched(CoreTest::fxbAround(bank), 156, {0, 0, 0x10, 0}));
    write(bankSeeds, "byte_size_too_large", kYes, patched(CoreTest::fxbAround(bank), 4, {0x7F, 0, 0, 0}));
    return 0;
}
