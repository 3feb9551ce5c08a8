#include "effect/VeskParams.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace VeskParams {

const Definition kTable[kCount] = {
    {"Predel.", "ms", 0.25f, "predelay", false},
    {"RTime", "s", 0.5f, "reverb time", false},
    {"Diffus.", "%", 0.0f, "diffusion", false},
    {"Roomsz", "m", 0.5f, "room size", false},
    {"Hi Freq", "kHz", 0.5f, "high freq", false},
    {"Lo Freq", "Hz", 0.5f, "low freq", false},
    {"Hi EQ", "dB", 0.5f, "high EQ", false},
    {"Lo EQ", "dB", 0.5f, "low EQ", false},
    {"HiScale", "x RT", 0.75f, "high scale", false},
    {"LoScale", "x RT", 0.75f, "low scale", false},
    {"Hi Cut", "kHz", 1.0f, "high cutoff", false},
    {"Lo Cut", "Hz", 0.0f, "low cutoff", false},
    {"Mode", "", 0.0f, "mode", true},
    {"Output", "dB", 0.5f, "output", false},
};

void format(uint32_t index, char* text, float x)
{
    // Formatted into a buffer of our own first: whatever the value, the host's
    // buffer receives at most seven characters and a terminator.
    char buf[64];
    buf[0] = 0;
    switch (index) {
    case kPredelay:
    case kDiffusion: std::snprintf(buf, sizeof buf, "%.0f", static_cast<double>(x * 100.0f)); break;
    case kRTime: std::snprintf(buf, sizeof buf, "%2.3f", static_cast<double>(powf(10.0f, 2.0f * x) * 0.025f)); break;
    case kRoomSize: std::snprintf(buf, sizeof buf, "%2.1f", static_cast<double>(powf(10.0f, 2.0f * x) * 5.0f)); break;
    case kHiFreq: std::snprintf(buf, sizeof buf, "%2.2f", std::pow(10.0, 0.602 * x + 0.39800000000000013)); break;
    case kLoFreq: std::snprintf(buf, sizeof buf, "%4.0f", std::pow(10.0, 0.602 * x + 2.398)); break;
    case kHiEq:
    case kLoEq: std::snprintf(buf, sizeof buf, "%.1f", static_cast<double>((x - 0.5f) * 20.0f)); break;
    case kHiScale:
    case kLoScale: std::snprintf(buf, sizeof buf, "%2.2f", static_cast<double>(x + 0.25f)); break;
    case kHiCut: std::snprintf(buf, sizeof buf, "%2.2f", std::pow(10.0, 0.39794 * x + 0.9030800000000001)); break;
    case kLoCut: std::snprintf(buf, sizeof buf, "%4.0f", std::pow(10.0, 1.398 * x + 1.0)); break;
    case kMode: std::snprintf(buf, sizeof buf, "%s", x >= 0.5f ? "insert" : "send"); break;
    case kOutput: {
        const float s = x * x;
        if (s > 0.0f)
            std::snprintf(buf, sizeof buf, "%.1f", static_cast<double>(20.0f * log10f(s)));
        else
            std::snprintf(buf, sizeof buf, "-inf");
        break;
    }
    default: text[7] = 0; return;
    }
    size_t n = std::strlen(buf);
    if (n > 7) n = 7;
    std::memcpy(text, buf, n);
    text[n] = 0;
    text[7] = 0;
}

}  // namespace VeskParams
