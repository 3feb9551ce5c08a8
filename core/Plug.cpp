#include "core/Plug.h"

#include <cpuid.h>
#include <emmintrin.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

#include "platform/dialogs.h"
#include "platform/system.h"

namespace PlugCore {

namespace {

uint32_t djb2(const char* text)
{
    uint32_t h = 5381;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) h = h * 33u + *p;
    return h;
}

// Input samples beyond this magnitude are clipped before the engine sees them.
constexpr double kInputLimit = 1e10;

/// A raw parameter value in [0, 1]; NaN becomes 0.
inline float clampRaw(float v)
{
    if (!(v >= 0.0f)) return 0.0f;
    return v > 1.0f ? 1.0f : v;
}

inline double sanitise(double x)
{
    if (x != x) return 0.0;
    if (x < -kInputLimit) return -kInputLimit;
    if (x > kInputLimit) return kInputLimit;
    return x;
}

// The float front end's copy, four samples at a time: NaN becomes 0 and the
// rest is held within the limit (exact in single precision), as sanitise does.
void sanitiseFloats(const float* src, double* dst, int32_t frames)
{
    constexpr float kLimit = static_cast<float>(kInputLimit);
    static_assert(static_cast<double>(kLimit) == kInputLimit, "the limit must be a float");
    const __m128 low = _mm_set1_ps(-kLimit), high = _mm_set1_ps(kLimit);
    int32_t i = 0;
    for (; i + 4 <= frames; i += 4) {
        __m128 v = _mm_loadu_ps(src + i);
        v = _mm_and_ps(v, _mm_cmpeq_ps(v, v));  // NaN lanes to +0; no NaN reaches min and max
        v = _mm_min_ps(_mm_max_ps(v, low), high);
        _mm_storeu_pd(dst + i, _mm_cvtps_pd(v));
        _mm_storeu_pd(dst + i + 2, _mm_cvtps_pd(_mm_movehl_ps(v, v)));
    }
    for (; i < frames; ++i) dst[i] = sanitise(src[i]);
}

}  // namespace

float ParamSlot::current() const
{
    return std::fabs(value.load(std::memory_order_relaxed));
}

Plug::Plug(IHost* hostOfCore, int32_t programCount, int32_t paramCount, const char* name)
    : params(static_cast<uint32_t>(paramCount > 0 ? paramCount : 0)),
      productName(name),
      uid(djb2(name)),
      host(hostOfCore),
      numPrograms(programCount)
{
    initPrograms();
}

Plug::~Plug()
{
    // The editor goes while the core it reaches into is still whole.
    setParamListener(nullptr);
    setEditor(nullptr);
}

void Plug::setEditor(IEditor* newEditor)
{
    delete editor;
    editor = newEditor;
}

// ---------------------------------------------------------------- parameters

void Plug::setParameter(int32_t index, float value)
{
    if (index < 0 || static_cast<uint32_t>(index) >= params.count) return;
    params.slots[index].value.store(clampRaw(value), std::memory_order_relaxed);
}

float Plug::getParameter(int32_t index)
{
    if (index < 0 || static_cast<uint32_t>(index) >= params.count) return 0.0f;
    return params.slots[index].current();
}

void Plug::setParameterAutomated(int32_t index, float value)
{
    // The host records what it is told and plays it back: tell it only of
    // parameters that exist, with the value actually stored.
    if (index < 0 || static_cast<uint32_t>(index) >= params.count) return;
    setParameter(index, value);
    if (host) host->automate(static_cast<uint32_t>(index), clampRaw(value));
}

void Plug::getParameterName(int32_t index, char* text)
{
    const char* name = index >= 0 && static_cast<uint32_t>(index) < params.count ? params.slots[index].name : nullptr;
    std::strcpy(text, name ? name : "**");
}

void Plug::getParameterLabel(int32_t index, char* text)
{
    const char* label =
        index >= 0 && static_cast<uint32_t>(index) < params.count ? params.slots[index].label : nullptr;
    std::strcpy(text, label ? label : "");
}

void Plug::getParameterDisplay(int32_t index, char* text)
{
    if (index < 0 || static_cast<uint32_t>(index) >= params.count) return;
    formatParam(static_cast<uint32_t>(index), text, getParameter(index));
}

bool Plug::parseParam(uint32_t, const char*, float&) { return false; }

void Plug::formatParamWithLabel(uint32_t index, float value, char* text)
{
    formatParam(index, text, value);
    size_t n = std::strlen(text);
    getParameterLabel(static_cast<int32_t>(index), text + n + 1);
    if (text[n + 1] != 0) text[n] = ' ';
}

// ---------------------------------------------------------------- editor side

void Plug::beginEdit(uint32_t index)
{
    if (host) host->beginEdit(index);
}

void Plug::endEdit(uint32_t index)
{
    if (host) host->endEdit(index);
}

void Plug::resetToDefault(uint32_t index)
{
    float v = index < params.count ? params.slots[index].defaultValue : 0.0f;
    setParameterAutomated(static_cast<int32_t>(index), v);
}

void Plug::getDefaultText(uint32_t index, char* text)
{
    float v = index < params.count ? params.slots[index].defaultValue : 0.0f;
    formatParamWithLabel(index, v, text);
}

void Plug::pollForEditor(IParamNotify* notify)
{
    for (uint32_t i = 0; i < params.count; ++i) {
        ParamSlot& s = params.slots[i];
        float v = s.value.load(std::memory_order_relaxed);
        if ((v < s.shownValue || v > s.shownValue) && notify && notify->paramChanged(i, v)) s.shownValue = v;
    }
}

void Plug::adoptDefaults()
{
    for (uint32_t i = 0; i < params.count; ++i) params.slots[i].defaultValue = params.slots[i].current();
}

// ---------------------------------------------------------------- lifecycle

void Plug::resume()
{
    if (needsPrepare) {
        prepare();
        needsPrepare = false;
    }
    for (uint32_t i = 0; i < params.count; ++i) params.slots[i].dspValue = -1.0f;
    reset();
    // A bypass switched while nothing ran holds from the first frame on.
    bypassGain = bypassTarget.load(std::memory_order_relaxed) ? 1.0 : 0.0;
    freshStart = true;
    bypassStep = 1.0 / std::max(1.0, 0.01 * static_cast<double>(sampleRate));
}

void Plug::setSampleRate(float rate)
{
    sampleRate = rate;
    needsPrepare = true;
}

bool Plug::setBlockSize(int32_t size)
{
    blockSize = size < 0 ? 0 : size;
    work.reset();
    workFrames = 0;
    return ensureWorkBuffers();
}

bool Plug::ensureWorkBuffers()
{
    if (work && workFrames == blockSize) return true;
    // One allocation cut into the input channels, the output channels, the
    // held input and the bypass fade.
    size_t frames = static_cast<size_t>(blockSize);
    work.reset(new (std::nothrow) double[frames * (3 * kChannels + 1) + 1]());
    if (!work) {
        workFrames = 0;
        return false;
    }
    workFrames = blockSize;
    for (int c = 0; c < kChannels; ++c) {
        workIn[c] = work.get() + frames * static_cast<size_t>(c);
        workOut[c] = work.get() + frames * static_cast<size_t>(kChannels + c);
        workHeld[c] = work.get() + frames * static_cast<size_t>(2 * kChannels + c);
    }
    workFade = work.get() + frames * static_cast<size_t>(3 * kChannels);
    return true;
}

// ---------------------------------------------------------------- audio

void Plug::processFloat(float** inputs, float** outputs, int32_t frames, const IEventList* events, bool accumulate)
{
    if (frames < 0 || frames > blockSize || !outputs || !ensureWorkBuffers()) return;

    for (int c = 0; c < kChannels; ++c) {
        const float* src = inputs ? inputs[c] : nullptr;
        double* dst = workIn[c];
        if (!src) {
            std::memset(dst, 0, sizeof(double) * static_cast<size_t>(frames));
            continue;
        }
        sanitiseFloats(src, dst, frames);
    }

    blockCycle(workIn, workOut, frames, true, events);

    for (int c = 0; c < kChannels; ++c) {
        float* dst = outputs[c];
        const double* src = workOut[c];
        if (!dst) continue;
        int32_t i = 0;
        if (accumulate) {
            for (; i + 4 <= frames; i += 4) {
                dst[i] += static_cast<float>(src[i]);
                dst[i + 1] += static_cast<float>(src[i + 1]);
                dst[i + 2] += static_cast<float>(src[i + 2]);
                dst[i + 3] += static_cast<float>(src[i + 3]);
            }
            for (; i < frames; ++i) dst[i] += static_cast<float>(src[i]);
        } else {
            for (; i + 4 <= frames; i += 4) {
                dst[i] = static_cast<float>(src[i]);
                dst[i + 1] = static_cast<float>(src[i + 1]);
                dst[i + 2] = static_cast<float>(src[i + 2]);
                dst[i + 3] = static_cast<float>(src[i + 3]);
            }
            for (; i < frames; ++i) dst[i] = static_cast<float>(src[i]);
        }
    }
}

void Plug::processDouble(double** inputs, double** outputs, int32_t frames, const IEventList* events)
{
    if (frames < 0 || frames > blockSize || !outputs || !outputs[0] || !outputs[1] || !ensureWorkBuffers()) return;
    blockCycle(inputs, outputs, frames, false, events);
}

void Plug::blockCycle(double** inputs, double** outputs, int32_t frames, bool inputsReady, const IEventList* events)
{
    checkParams = 1;

    // From here on the engine reads only the work buffers.
    for (int c = 0; c < kChannels && !inputsReady; ++c) {
        const double* src = inputs ? inputs[c] : nullptr;
        double* dst = workIn[c];
        if (!src)
            for (int32_t i = 0; i < frames; ++i) dst[i] = 0.0;
        else
            for (int32_t i = 0; i < frames; ++i) dst[i] = sanitise(src[i]);
    }

    Transport time;
    const bool told = host && host->transport(time);
    blockTempo = 120.0f;
    if (told && time.tempoValid) {
        float t = static_cast<float>(time.tempo);
        if (std::isfinite(t) && t > 0.0f) blockTempo = t;  // a broken tempo keeps the fallback
    }
    blockPlaying = told && time.playing;
    if (blockPlaying && time.beatValid) beatPos = time.beat;

    // Render up to each event's offset, then apply the group of events at that
    // offset, so an event takes effect only after everything before it.
    const int32_t listed = events ? events->size() : 0;
    const int32_t count = listed > 0 ? listed : 0;
    auto offsetOf = [events](int32_t k) {
        const int32_t d = events->at(k).frame;
        return d < 0 ? 0 : d;  // late events apply at the start of the block
    };
    auto applyGroup = [&](int32_t k) {
        const int32_t head = offsetOf(k);
        applyEvent(events->at(k++));
        while (k < count && offsetOf(k) <= head) applyEvent(events->at(k++));
        return k;
    };

    int32_t position = 0;
    int32_t cursor = 0;
    if (count > 0 && offsetOf(0) == 0) cursor = applyGroup(0);
    while (cursor < count) {
        const int32_t d = offsetOf(cursor);
        if (d > frames) {
            while (cursor < count) applyEvent(events->at(cursor++));
            break;
        }
        if (d > position) {
            renderSubBlock(outputs, position, d - position);
            position = d;
        }
        cursor = applyGroup(cursor);
    }
    if (frames > position) renderSubBlock(outputs, position, frames - position);
}

void Plug::applyEvent(const TimedEvent& event)
{
    switch (event.kind) {
    case TimedEvent::Kind::Midi: applyMidi(event.midi); break;
    case TimedEvent::Kind::Param:
        // A value at its frame, as a host that automates sample-accurately sends it.
        if (event.param < params.count) {
            setParameter(static_cast<int32_t>(event.param), event.value);
            checkParams = 1;
        }
        break;
    case TimedEvent::Kind::Bypass: setBypass(event.value >= 0.5f); break;
    case TimedEvent::Kind::Modulation: setModulation(event.param, event.value); break;
    case TimedEvent::Kind::Other: break;
    }
}

void Plug::setModulation(uint32_t index, float amount)
{
    if (index >= params.count || !(params.slots[index].flags & kParamModulatable)) return;
    params.slots[index].modulation = std::isfinite(amount) ? amount : 0.0f;
    checkParams = 1;
}

void Plug::renderSubBlock(double** outputs, int32_t start, int32_t frames)
{
    double* in[kChannels] = {workIn[0] + start, workIn[1] + start};
    double* out[kChannels] = {outputs[0] + start, outputs[1] + start};

    const bool changed = checkParams ? checkParameters() : false;
    checkParams = 0;

    const double rate = sampleRate;
    const BlockTiming timing{blockTempo, beatPos, blockTempo / (rate * 60.0), rate};
    const bool bypass = bypassTarget.load(std::memory_order_relaxed);
    if (freshStart) {
        // Switched before the first frame since resume (a host restoring its
        // session): nothing was heard yet that a crossfade could smooth.
        bypassGain = bypass ? 1.0 : 0.0;
        freshStart = false;
    }
    bool keepClock;
    if (bypassGain == 0.0 && !bypass) {
        keepClock = processBlock(changed, timing, in, out, frames);
    } else {
        // The effect hears the input faded out by the bypass's share, and the
        // output gets the input faded in by it: fully bypassed, the effect
        // hears exact zeros and the input passes unchanged beside what the
        // effect still holds.
        double* fade = workFade + start;
        double g = bypassGain;
        const double step = bypass ? bypassStep : -bypassStep;
        for (int32_t i = 0; i < frames; ++i) {
            g = std::min(1.0, std::max(0.0, g + step));
            fade[i] = g;
        }
        bypassGain = g;
        for (int c = 0; c < kChannels; ++c) {
            double* held = workHeld[c] + start;
            for (int32_t i = 0; i < frames; ++i) {
                held[i] = in[c][i];
                in[c][i] *= 1.0 - fade[i];
            }
        }
        keepClock = processBlock(changed, timing, in, out, frames);
        for (int c = 0; c < kChannels; ++c) {
            const double* held = workHeld[c] + start;
            for (int32_t i = 0; i < frames; ++i) out[c][i] += fade[i] * held[i];
        }
    }
    if (keepClock || blockPlaying)
        beatPos += static_cast<double>(static_cast<float>(frames) * blockTempo / (sampleRate * 60.0f));
    else
        beatPos = 0.0;
}

bool Plug::checkParameters()
{
    bool changed = params.forceChanged != 0;
    params.forceChanged = 0;
    for (uint32_t i = 0; i < params.count; ++i) {
        ParamSlot& s = params.slots[i];
        float v = s.value.load(std::memory_order_relaxed);
        if (s.modulation != 0.0f) v = clampRaw(s.current() + s.modulation);
        if (v < s.dspValue || v > s.dspValue) {  // unordered counts as equal
            s.dspValue = v;
            if (cookParam(i)) changed = true;
        }
    }
    checkParams = 0;
    return changed;
}

// ---------------------------------------------------------------- identity

const char* Plug::getInputPairName(int32_t) { return "Main"; }
const char* Plug::getOutputPairName(int32_t) { return "Main"; }

// ---------------------------------------------------------------- creation

NullPlug::NullPlug(IHost* hostOfCore) : Plug(hostOfCore, 1, 1, "Error") {}

bool NullPlug::processBlock(bool, const BlockTiming&, double**, double** outputs, int32_t frames)
{
    for (int c = 0; c < 2; ++c)
        for (int32_t i = 0; i < frames; ++i) outputs[c][i] = 0.0;
    return false;
}

Plug* createPlug(IHost* hostOfCore, EffectFactory factory, CpuProbe hasSse2)
{
    if (hasSse2()) return factory(hostOfCore);
    Platform::messageBox(
        "This plugin requires SSE2, which your CPU doesn't support.\n"
        "Unfortunately you will need a more recent system. Sorry.",
        "Error", Platform::kMbTaskModal | Platform::kMbIconError);
    return new (std::nothrow) NullPlug(hostOfCore);
}

bool cpuHasSse2()
{
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return false;
    return (edx >> 26) & 1u;
}

}  // namespace PlugCore
