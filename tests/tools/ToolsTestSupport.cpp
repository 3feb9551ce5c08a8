#include "tests/tools/ToolsTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/library.h"
#include "tools/vesk-host/Commands.h"
#include "tools/vesk-host/Signals.h"

namespace ToolsTest {

std::string scratchDir(const std::string& test)
{
    const std::string dir = "tools-tests/" + test;
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

Probe::State& probeState()
{
    static Platform::Library library;
    static Probe::State* state = nullptr;
    if (!state) {
        if (!library.load(probeFile())) ADD_FAILURE() << "cannot load " << probeFile() << ": " << library.error();
        auto get = reinterpret_cast<Probe::StateGetter>(library.symbol("HostProbeState"));
        if (!get) ADD_FAILURE() << "the probe exports no HostProbeState";
        state = get ? get() : new Probe::State{};
    }
    return *state;
}

namespace {
// The probe stays loaded for the whole program, so that its record survives
// the sessions that load and unload it.
class ProbeEnvironment : public ::testing::Environment {
public:
    void SetUp() override { probeState(); }
};
const ::testing::Environment* const probeEnvironment = ::testing::AddGlobalTestEnvironment(new ProbeEnvironment);
}  // namespace

RunResult runHost(const std::vector<std::string>& args)
{
    std::ostringstream out, err;
    const int status = HostKit::runCommandLine(args, out, err);
    return {status, out.str(), err.str()};
}

HostKit::AudioBuffer noise(size_t channels, size_t frames, uint32_t rate, uint32_t seed)
{
    HostKit::AudioBuffer a(rate, channels, frames);
    HostKit::Noise n(seed);
    for (auto& ch : a.channels)
        for (double& x : ch) x = 0.5 * n.next();
    return a;
}

}  // namespace ToolsTest
