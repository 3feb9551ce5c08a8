// The state chunk codec on arbitrary bytes: it never reads outside them, and
// writing back what it read reproduces the input byte for byte up to the
// damage it reports. Inputs start with a byte it ignores, so that the seeds
// of the state-loading target (whose first byte answers a question) serve here too.
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/ChunkCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace PlugCore;
    if (size < 1) return 0;
    ++data, --size;
    // A buffer of exactly the input's size, so a read past it is caught.
    std::vector<uint8_t> in(data, data + size);
    in.shrink_to_fit();

    ChunkReader reader(in.empty() ? nullptr : in.data(), in.size());
    std::vector<uint8_t> out;
    writeChunkHeader(out, reader.header());
    ChunkRecordData r;
    while (reader.next(r)) writeChunkRecord(out, r);

    const ChunkError e = reader.error();
    if (size < kChunkHeaderBytes) {
        if (e != ChunkError::NoHeader) std::abort();
        return 0;
    }
    if (e == ChunkError::InvalidHeader || e == ChunkError::LaterVersion) return 0;
    const size_t read = reader.offset();
    if (read > size || out.size() != read || std::memcmp(out.data(), in.data(), read) != 0) std::abort();
    if ((e == ChunkError::None) != (read == size)) std::abort();  // damage is reported exactly when bytes are left

    std::vector<ChunkRecordData> records;
    if (decodeChunk(in.data(), in.size(), records) != e) std::abort();
    return 0;
}
