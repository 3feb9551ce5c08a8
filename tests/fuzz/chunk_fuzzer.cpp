// Loading a state from arbitrary bytes. The first input byte answers the question about
// another product's state (odd: Yes, even: No); the rest is the chunk.
#include "tests/fuzz/FuzzEffect.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace Fuzz;
    if (size < 1) return 0;
    Dialogs dialogs;
    dialogs.answer = data[0] & 1 ? Platform::kIdYes : Platform::kIdNo;

    // The chunk in a buffer of exactly its size, so a read past it is caught.
    std::vector<uint8_t> chunk(data + 1, data + size);
    chunk.shrink_to_fit();

    Effect fx(&host);
    fx.assignMidiKey(3, static_cast<int16_t>(0xB007));  // a mapping the chunk may move or leave
    fx.loadState(chunk.empty() ? nullptr : chunk.data(), chunk.size());

    require(dialogs.errors <= 1, "more than one error");
    if (chunk.size() < 8) require(dialogs.errors == 1 && dialogs.boxes == 1, "short chunk without its error");
    if (dialogs.answer == Platform::kIdNo) require(dialogs.questions <= 1, "loading went on after No");
    checkTables(fx);
    checkRoundTrip(fx);
    return 0;
}
