// The factory-bank loader on arbitrary resource bytes. The first input byte
// answers the question about another product's state (odd: Yes, even: No);
// the rest is the resource.
#include "platform/resources.h"
#include "tests/fuzz/FuzzEffect.h"
#include "tests/support/ScopedResources.h"

namespace {

std::vector<uint8_t> resource;

bool findFactoryBank(const char* type, const char* name, Platform::ResourceBytes& out)
{
    Fuzz::require(std::strcmp(type, "FXB") == 0 && std::strcmp(name, "FactoryBank") == 0, "resource asked for");
    out.data = resource.data();
    out.size = resource.size();
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace Fuzz;
    if (size < 1) return 0;
    Dialogs dialogs;
    dialogs.answer = data[0] & 1 ? Platform::kIdYes : Platform::kIdNo;
    resource.assign(data + 1, data + size);
    resource.shrink_to_fit();  // exactly the resource's size: a read past it is caught
    Effect fx(&host);
    fx.setParameter(5, 0.75f);
    {
        TestSupport::ScopedResources scoped(findFactoryBank);
        fx.loadFactoryBank();
    }

    const bool framed = resource.size() >= 160 && std::memcmp(resource.data(), "CcnK", 4) == 0 &&
                        std::memcmp(resource.data() + 8, "FBCh", 4) == 0;
    if (!framed) {
        // Rejected before the chunk: one message, programs as copied in first.
        require(dialogs.boxes == 1 && dialogs.errors == 1, "a bad bank without exactly one message");
        for (int32_t p = 0; p < fx.programCount(); ++p)
            require(fx.program(p).values[5] == 0.75f, "programs changed by a rejected bank");
    }
    require(dialogs.errors <= 1, "more than one error");
    checkTables(fx);
    checkRoundTrip(fx);
    return 0;
}
