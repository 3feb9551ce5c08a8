#include "effect/VeskParams.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
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

namespace {

// Each parameter's scale, shared by its display text and the engine's settings.
// Single or double precision as each quantity has always been computed: both
// the texts and the sound depend on the last bit.

/// Predelay in ms (of at most 100) and diffusion in %.
float percent(float x) { return x * 100.0f; }
/// Mid-band decay time, 0.025 .. 2.5 s.
float reverbTime(float x) { return std::pow(10.0f, 2.0f * x) * 0.025f; }
/// The room as shown: 5 .. 500 m. The engine's scale is roomScale().
float roomMetres(float x) { return std::pow(10.0f, 2.0f * x) * 5.0f; }
/// Crossovers and cuts in Hz. The kHz texts divide by 1000; for every raw
/// value the text is the one a kHz formula of its own would give.
double highCrossoverHz(float x) { return std::pow(10.0, 0.602 * x + 3.398); }
double lowCrossoverHz(float x) { return std::pow(10.0, 0.602 * x + 2.398); }
double highCutHz(float x) { return std::pow(10.0, 0.39794 * x + 3.90308); }
double lowCutHz(float x) { return std::pow(10.0, 1.398 * x + 1.0); }
/// Equaliser gain as a decimal exponent: 10^e as a gain, 20 e in dB.
float eqExponent(float x) { return x - 0.5f; }
/// Band decay time as a multiple of the reverb time, 0.25 .. 1.25.
float decayScale(float x) { return x + 0.25f; }
bool isInsert(float x) { return x >= 0.5f; }
/// Output power gain x^2: shown in dB; the engine applies half of it.
float outputPower(float x) { return x * x; }

}  // namespace

double roomScale(float x) { return static_cast<double>(5.0f * x * x + 0.5f); }

void format(uint32_t index, char* text, float x)
{
    // Formatted into a buffer of our own first: whatever the value, the host's
    // buffer receives at most seven characters and a terminator.
    char buf[64];
    buf[0] = 0;
    switch (index) {
        case kPredelay:
        case kDiffusion:
            std::snprintf(buf, sizeof buf, "%.0f", static_cast<double>(percent(x)));
            break;
        case kRTime:
            std::snprintf(buf, sizeof buf, "%2.3f", static_cast<double>(reverbTime(x)));
            break;
        case kRoomSize:
            std::snprintf(buf, sizeof buf, "%2.1f", static_cast<double>(roomMetres(x)));
            break;
        case kHiFreq:
            std::snprintf(buf, sizeof buf, "%2.2f", highCrossoverHz(x) / 1000.0);
            break;
        case kLoFreq:
            std::snprintf(buf, sizeof buf, "%4.0f", lowCrossoverHz(x));
            break;
        case kHiEq:
        case kLoEq:
            std::snprintf(buf, sizeof buf, "%.1f", static_cast<double>(eqExponent(x) * 20.0f));
            break;
        case kHiScale:
        case kLoScale:
            std::snprintf(buf, sizeof buf, "%2.2f", static_cast<double>(decayScale(x)));
            break;
        case kHiCut:
            std::snprintf(buf, sizeof buf, "%2.2f", highCutHz(x) / 1000.0);
            break;
        case kLoCut:
            std::snprintf(buf, sizeof buf, "%4.0f", lowCutHz(x));
            break;
        case kMode:
            std::snprintf(buf, sizeof buf, "%s", isInsert(x) ? "insert" : "send");
            break;
        case kOutput: {
            const float s = outputPower(x);
            if (s > 0.0f)
                std::snprintf(buf, sizeof buf, "%.1f", static_cast<double>(20.0f * std::log10(s)));
            else
                std::snprintf(buf, sizeof buf, "-inf");
            break;
        }
        default:
            text[7] = 0;
            return;
    }
    size_t n = std::strlen(buf);
    if (n > 7) n = 7;
    std::memcpy(text, buf, n);
    text[n] = 0;
    text[7] = 0;
}

namespace {

bool sameLetters(const char* a, const char* b)
{
    for (; *a && *b; ++a, ++b)
        if (std::tolower(static_cast<unsigned char>(*a)) != std::tolower(static_cast<unsigned char>(*b))) return false;
    return *a == *b;
}

/// The number text starts with, and what follows it is blank or the unit label.
bool numberIn(const char* text, const char* label, double& v)
{
    char* end = nullptr;
    v = std::strtod(text, &end);
    if (end == text || !std::isfinite(v)) return false;
    while (*end == ' ') ++end;
    char rest[16] = {};
    size_t n = 0;
    while (end[n] && n < sizeof rest - 1) rest[n] = end[n], ++n;
    while (n > 0 && rest[n - 1] == ' ') rest[--n] = 0;
    return n == 0 || sameLetters(rest, label);
}

float held(double x)
{
    if (!(x >= 0.0)) return 0.0f;
    return x > 1.0 ? 1.0f : static_cast<float>(x);
}

}  // namespace

bool parse(uint32_t index, const char* text, float& x)
{
    if (!text || index >= kCount) return false;
    while (*text == ' ') ++text;
    if (index == kMode) {
        if (sameLetters(text, "insert") || sameLetters(text, "send")) {
            x = sameLetters(text, "insert") ? 1.0f : 0.0f;
            return true;
        }
    }
    if (index == kOutput && (sameLetters(text, "-inf") || sameLetters(text, "-inf dB"))) {
        x = 0.0f;
        return true;
    }
    double v = 0;
    if (!numberIn(text, kTable[index].label, v)) return false;
    // "-0.0" is shown for values just below zero (the decibel scales): it reads
    // back as one of them, not as zero, whose text has no sign.
    if (v == 0.0 && std::signbit(v)) v = -0.025;
    // Each scale of format() turned round.
    switch (index) {
        case kPredelay:
        case kDiffusion: x = held(v / 100.0); break;
        case kRTime: x = held(v > 0 ? std::log10(v / 0.025) / 2.0 : 0.0); break;
        case kRoomSize: x = held(v > 0 ? std::log10(v / 5.0) / 2.0 : 0.0); break;
        case kHiFreq: x = held(v > 0 ? (std::log10(v * 1000.0) - 3.398) / 0.602 : 0.0); break;
        case kLoFreq: x = held(v > 0 ? (std::log10(v) - 2.398) / 0.602 : 0.0); break;
        case kHiEq:
        case kLoEq: x = held(v / 20.0 + 0.5); break;
        case kHiScale:
        case kLoScale: x = held(v - 0.25); break;
        case kHiCut: x = held(v > 0 ? (std::log10(v * 1000.0) - 3.90308) / 0.39794 : 0.0); break;
        case kLoCut: x = held(v > 0 ? (std::log10(v) - 1.0) / 1.398 : 0.0); break;
        case kMode: x = v >= 0.5 ? 1.0f : 0.0f; break;
        case kOutput: x = held(std::pow(10.0, v / 40.0)); break;
        default: return false;
    }
    return true;
}

ReverbSettings settings(const float* raw)
{
    ReverbSettings s;
    s.predelay = raw[kPredelay];  // the share of 100 ms, as shown
    s.reverbTime = reverbTime(raw[kRTime]);
    s.diffusion = raw[kDiffusion];  // the share of 100 %, as shown
    s.roomScale = roomScale(raw[kRoomSize]);
    s.highCrossover = highCrossoverHz(raw[kHiFreq]);
    s.lowCrossover = lowCrossoverHz(raw[kLoFreq]);
    s.highEqGain = std::pow(10.0, static_cast<double>(eqExponent(raw[kHiEq])));
    s.lowEqGain = std::pow(10.0, static_cast<double>(eqExponent(raw[kLoEq])));
    s.highDecayScale = decayScale(raw[kHiScale]);
    s.lowDecayScale = decayScale(raw[kLoScale]);
    s.highCut = highCutHz(raw[kHiCut]);
    s.lowCut = lowCutHz(raw[kLoCut]);
    s.dryGain = isInsert(raw[kMode]) ? 1.0 : 0.0;
    s.wetGain = static_cast<double>(0.5f * outputPower(raw[kOutput]));
    return s;
}

}  // namespace VeskParams
