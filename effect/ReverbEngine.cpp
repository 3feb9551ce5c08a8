#include "effect/ReverbEngine.h"

#include <cpuid.h>
#include <emmintrin.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "effect/VectorPaths.h"

namespace {

constexpr double kHalfPi = 1.5707963267948966;

// Line k's delay is inversely proportional to the k-th prime from 41 to 107.
constexpr double kDivisor[ReverbEngine::kLines] = {4.1, 4.3, 4.7, 5.3, 5.9, 6.1,  6.7,  7.1,
                                                   7.3, 7.9, 8.3, 8.9, 9.7, 10.1, 10.3, 10.7};

inline int32_t wrap(int32_t i, int32_t length) { return i >= length ? i - length : i; }

// Lengths grow with the scale, so 5.5 bounds every layout the memory was sized for.
double safeRoomScale(double scale)
{
    if (!(scale >= 0.5)) return 0.5;
    return scale > 5.5 ? 5.5 : scale;
}

// The settings that decide where the engine reads and writes, held inside the
// memory it has whatever a caller passes (NaN included).
ReverbSettings safeSettings(const ReverbSettings& in)
{
    ReverbSettings s = in;
    if (!(s.predelay >= 0.0f)) s.predelay = 0.0f;
    if (s.predelay > 1.0f) s.predelay = 1.0f;
    s.roomScale = safeRoomScale(s.roomScale);
    return s;
}

}  // namespace

const ReverbEngine::TapTable ReverbEngine::taps = [] {
    const double theta[8] = {0.0, 0.25, 0.4, 0.5, 0.6, 0.7, 0.8, 0.1};
    TapTable t;
    for (int i = 0; i < 8; ++i) {
        t.cosine[i] = std::cos(theta[i]);
        t.sine[i] = std::sin(theta[i]);
    }
    return t;
}();  // made once when the library loads

ReverbEngine::ArithmeticScope::ArithmeticScope() : saved(_mm_getcsr()) { _mm_setcsr(0xFFC0u); }
ReverbEngine::ArithmeticScope::~ArithmeticScope() { _mm_setcsr(saved & ~0x3Fu); }

OnePole OnePole::fromAngle(double w)
{
    const double t = std::sin(w) / std::cos(w);
    const double a = (t - 1.0) / (t + 1.0);
    OnePole k;
    k.b = (1.0 + a) * 0.5;
    k.c = -a;
    return k;
}

// ---------------------------------------------------------------- geometry

// The layout follows the host's rate from 8000 to 384000 Hz. Beyond that the rate
// is held at the nearer end (NaN, which has none, counts as 44100): below 8000 Hz
// the shortest delays would reach zero samples and the diffuser ratios divide by
// zero, above 384000 Hz (and at infinity) the memory would grow without bound.
double ReverbEngine::clampRate(float sampleRate)
{
    const double r = sampleRate;
    if (std::isnan(r)) return 44100.0;
    return std::min(std::max(r, 8000.0), 384000.0);
}

int32_t ReverbEngine::lineLengthFor(int k, double rate, double roomScale, double& frac)
{
    const double x = 2.9981494292313053 / kDivisor[k] * rate * roomScale * 0.04969696969696969;
    double n = std::floor(x);
    frac = x - n;
    if (frac < 0.6) {  // keep the interpolated part within [0.6, 1.6)
        frac = frac + 1.0;
        n = n - 1.0;
    }
    return std::max(static_cast<int32_t>(n), int32_t{1});
}

int32_t ReverbEngine::allpassLengthFor(int j, double rate)
{
    const int h = j / 2;
    return static_cast<int32_t>((h + 2) * (h + 1) * rate * 0.00025);
}

int32_t ReverbEngine::outputLengthFor(double rate) { return static_cast<int32_t>(rate * 0.1); }

uint32_t ReverbEngine::tailFrames(float sampleRate, const ReverbSettings& s)
{
    const double rate = clampRate(sampleRate);
    double frac = 0;
    const double through = static_cast<double>(lineLengthFor(0, rate, s.roomScale, frac)) +
                           allpassLengthFor(kAllpasses - 1, rate) + outputLengthFor(rate);
    const double slowest = static_cast<double>(s.reverbTime) *
                           std::max({1.0f, s.highDecayScale, s.lowDecayScale});
    const double frames = std::ceil(through + rate * slowest * (260.0 / 60.0));
    return frames < 4294967295.0 ? static_cast<uint32_t>(frames) : UINT32_MAX;
}

int32_t ReverbEngine::layoutSize(double rate, double roomScale)
{
    int32_t total = 0;
    double frac;
    for (int k = 0; k < kLines; ++k) total += lineLengthFor(k, rate, roomScale, frac);
    for (int j = 0; j < kAllpasses; ++j) total += allpassLengthFor(j, rate);
    return total + 2 * outputLengthFor(rate);
}

void ReverbEngine::prepare(float sampleRate, double roomScale)
{
    // The layout is computed in the engine's arithmetic whoever calls, so a
    // network laid out on the resume path is the one a process call would lay.
    ArithmeticScope arithmetic;
    const double rate = clampRate(sampleRate);
    // Lengths grow with the room, so the largest room (scale 5.5) bounds every
    // layout at this rate and a later "Roomsz" change never has to allocate.
    const int32_t need = layoutSize(rate, 5.5);
    if (!memory || need != capacity) {
        // Allocated before anything is changed: on failure the engine keeps its
        // previous memory and layout (or stays without memory).
        std::unique_ptr<double[]> fresh(new double[static_cast<size_t>(need)]);
        memory = std::move(fresh);
        capacity = need;
    }
    fs = rate;
    active = pathProbe();
    layout(safeRoomScale(roomScale));
}

ReverbEngine::Path ReverbEngine::widestPath()
{
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (!__get_cpuid(1, &a, &b, &c, &d) || !((d >> 26) & 1u)) return Path::Scalar;
    // The wider registers are usable only where the system saves them on a
    // thread switch: OSXSAVE and AVX set, then XCR0 names their state.
    if (!((c >> 27) & 1u) || !((c >> 28) & 1u)) return Path::Sse2;
    unsigned saved = 0, savedHigh = 0;
    __asm__ volatile("xgetbv" : "=a"(saved), "=d"(savedHigh) : "c"(0));
    if ((saved & 0x6u) != 0x6u || !__get_cpuid_count(7, 0, &a, &b, &c, &d)) return Path::Sse2;
    if (((b >> 16) & 1u) && (saved & 0xE6u) == 0xE6u) return Path::Avx512;  // + opmask and upper ZMM state
    return ((b >> 5) & 1u) ? Path::Avx2 : Path::Sse2;
}

ReverbEngine::Path ReverbEngine::chosenPath()
{
    const Path widest = widestPath();
    const char* cap = std::getenv("VESK2_VECTOR_PATH");
    if (!cap) return widest;
    const struct {
        const char* name;
        Path path;
    } names[] = {{"scalar", Path::Scalar}, {"sse2", Path::Sse2}, {"avx2", Path::Avx2}, {"avx512", Path::Avx512}};
    for (const auto& n : names)
        if (std::strcmp(cap, n.name) == 0) return std::min(n.path, widest);
    return widest;  // an unknown name caps nothing
}

void ReverbEngine::layout(double roomScale)
{
    scale = roomScale;

    int32_t total = 0;
    for (int k = 0; k < kLines; ++k) {
        line.length[k] = lineLengthFor(k, fs, scale, line.baseFrac[k]);
        line.start[k] = total;
        line.increment[k] = (k + 5) * scale / (5 * (k + 1) * fs);
        total += line.length[k];
    }
    for (int k = 0; k < kLines; ++k) line.offset[k] = line.length[k] - line.length[kLines - 1] + 1;

    for (int j = 0; j < kAllpasses; ++j) {
        Delay& a = allpasses[j];
        a.length = allpassLengthFor(j, fs);
        a.start = total;
        a.pos = 0;
        total += a.length;
        if (j % 2 == 1)
            baseCoef[j / 2] =
                std::pow(0.83, std::sqrt(static_cast<double>(a.length) / static_cast<double>(allpasses[0].length)));
    }
    for (Delay& d : outDelay) {
        d.length = outputLengthFor(fs);
        d.start = total;
        d.pos = 0;
        total += d.length;
    }
    // Never above capacity: lengths only grow with the room, and a layout made
    // inside processBlock (rounding toward zero) comes out no longer than the same
    // layout made on the resume path.
    used = total;

    predelCoef = OnePole::fromAngle(9.42477796076938 / fs);
    reset();
    dirty = true;
}

// ---------------------------------------------------------------- clearing

void ReverbEngine::reset()
{
    if (!memory) return;
    // Only the laid-out part is ever read, so only it needs clearing.
    std::memset(memory.get(), 0, sizeof(double) * static_cast<size_t>(used));
    for (int k = 0; k < kLines; ++k) {
        line.pos[k] = 0;
        line.inject[k] = wrap(line.offset[k], line.length[k]);
        line.lowX[k] = line.lowY[k] = 0.0;
        line.highOfHighX[k] = line.highOfHighY[k] = 0.0;
        line.highOfLowX[k] = line.highOfLowY[k] = 0.0;
        line.interp[k] = 0.0;
        line.phase[k] = 0.0;
    }
    for (Delay& a : allpasses) a.pos = 0;
    for (Delay& d : outDelay) d.pos = 0;
    eq[0] = eq[1] = ThreeBand{};
    loCut[0] = loCut[1] = hiCut[0] = hiCut[1] = OnePoleState{};
    lp400 = lp1500 = OnePoleState{};
    noiseSmooth = OnePoleState{};
    predelSmooth = OnePoleState{};  // starts at the longest post-delay and glides to its target
    idling = idleSkip;              // nothing is sounding
    quietFrames = 0;
}

void ReverbEngine::useIdleSkip(bool on)
{
    idleSkip = on;
    if (!on) idling = false;
}

double ReverbEngine::advancePhase(double phase, double increment, uint64_t frames)
{
    // Rounding toward zero: inside one binade, whose values are multiples of
    // its grid unit, every step adds the increment truncated to that grid, so
    // a run of steps that stays inside is one multiplication. Steps that leave
    // the binade or wrap are taken one by one.
    constexpr uint64_t kTop = uint64_t{1} << 53;  // the binade's end in grid units
    while (frames > 0) {
        if (phase > 0.0) {
            // The grid unit of phase's binade: its exponent, 52 binary places down.
            uint64_t bits;
            std::memcpy(&bits, &phase, sizeof bits);
            bits = ((bits >> 52) - 52) << 52;
            double unit;
            std::memcpy(&unit, &bits, sizeof unit);
            const auto at = static_cast<uint64_t>(phase / unit);
            const auto step = static_cast<uint64_t>(increment / unit);
            if (step > 0 && kTop - at > step) {
                const uint64_t inside = std::min((kTop - at - step - 1) / step + 1, frames);
                phase = static_cast<double>(at + inside * step) * unit;
                frames -= inside;
                if (frames == 0) break;
            }
        }
        const double next = phase + increment;
        phase = next >= 1.0 ? next - 1.0 : next;
        --frames;
    }
    return phase;
}

void ReverbEngine::idleBookkeeping(uint32_t frames)
{
    if (frames == 0) return;
    for (int k = 0; k < kLines; ++k) line.phase[k] = advancePhase(line.phase[k], line.increment[k], frames);

    // The noise generator jumps exactly; its smoother takes eight frames per
    // step, y8 = c^8 y + sum of weighted inputs, which rounds differently from
    // eight single steps by about 1e-16 of its (1e-4 radian) output. The eight
    // generator states of a step are made at once from the one before it.
    typedef uint32_t Seeds __attribute__((vector_size(16)));
    typedef double Pair __attribute__((vector_size(16)));
    constexpr int kStride = 8;
    static const auto kJump = [] {
        struct {
            Seeds mul[2], add[2];
        } j{};
        uint32_t m = 1, a = 0;
        for (int i = 0; i < kStride; ++i) {
            m *= 1664525u;
            a = a * 1664525u + 1013904223u;
            j.mul[i / 4][i % 4] = m;
            j.add[i / 4][i % 4] = a;
        }
        return j;
    }();
    constexpr double kScale = 4.656612873077393e-10;
    auto noiseAt = [](uint32_t s) { return static_cast<double>(static_cast<float>(static_cast<int32_t>(s))) * kScale; };
    const OnePole k = noiseCoef;
    double power[kStride + 1];
    power[0] = 1.0;
    for (int i = 1; i <= kStride; ++i) power[i] = power[i - 1] * k.c;
    // Input i of a step (0: the one before it) enters through every later frame's smoothing.
    double weight[kStride + 1];
    weight[0] = k.b * power[kStride - 1];
    for (int i = 1; i < kStride; ++i) weight[i] = k.b * (power[kStride - i] + power[kStride - 1 - i]) * kScale;
    weight[kStride] = k.b * kScale;
    const Pair w[4] = {{weight[1], weight[2]}, {weight[3], weight[4]}, {weight[5], weight[6]}, {weight[7], weight[8]}};

    uint32_t left = frames;
    double x = noiseSmooth.x, y = noiseSmooth.y;
    for (; left >= kStride; left -= kStride) {
        const Seeds s0 = seed * kJump.mul[0] + kJump.add[0], s1 = seed * kJump.mul[1] + kJump.add[1];
        const __m128 f0 = _mm_cvtepi32_ps((__m128i)s0), f1 = _mm_cvtepi32_ps((__m128i)s1);
        const Pair n0 = _mm_cvtps_pd(f0), n1 = _mm_cvtps_pd(_mm_movehl_ps(f0, f0));
        const Pair n2 = _mm_cvtps_pd(f1), n3 = _mm_cvtps_pd(_mm_movehl_ps(f1, f1));
        const Pair sum = (w[0] * n0 + w[1] * n1) + (w[2] * n2 + w[3] * n3);
        y = power[kStride] * y + (weight[0] * x + (sum[0] + sum[1]));
        x = n3[1] * kScale;
        seed = s1[3];
    }
    for (; left > 0; --left) {
        seed = seed * 1664525u + 1013904223u;
        onePole(k, noiseAt(seed), x, y);
    }
    noiseSmooth = {x, y};

    // The post-delay smoother is stepped exactly until it maps onto itself
    // (within about two seconds of a change).
    for (uint32_t i = 0; i < frames; ++i) {
        const OnePoleState before = predelSmooth;
        predelSmooth.run(predelCoef, predelTarget);
        if (predelSmooth.x == before.x && predelSmooth.y == before.y) break;
    }
}

void ReverbEngine::idleFor(uint64_t frames, uint32_t chunk)
{
    if (!idle() || chunk == 0) return;
    ArithmeticScope arithmetic;
    while (frames > 0) {
        const uint32_t n = frames < chunk ? static_cast<uint32_t>(frames) : chunk;
        idleBookkeeping(n);
        advanceAll(n);
        frames -= n;
    }
}

void ReverbEngine::advanceAll(uint32_t frames)
{
    auto advance = [frames](int32_t pos, int32_t length) {
        const int32_t next = pos + static_cast<int32_t>(frames % static_cast<uint32_t>(length));
        return next >= length ? next - length : next;
    };
    for (int k = 0; k < kLines; ++k) {
        line.pos[k] = advance(line.pos[k], line.length[k]);
        line.inject[k] = advance(line.inject[k], line.length[k]);
    }
    for (Delay& a : allpasses) a.pos = advance(a.pos, a.length);
    for (Delay& d : outDelay) d.pos = advance(d.pos, d.length);
}

bool ReverbEngine::networkAtMost(double level) const
{
    bool quiet = true;
    auto check = [&quiet, level](double v) { quiet &= std::fabs(v) <= level; };  // NaN is never quiet
    const double* const mem = memory.get();
    for (int32_t i = 0; i < used; ++i) check(mem[i]);
    for (int k = 0; k < kLines; ++k)
        for (double v : {line.interp[k], line.lowX[k], line.lowY[k], line.highOfHighX[k], line.highOfHighY[k],
                         line.highOfLowX[k], line.highOfLowY[k]})
            check(v);
    for (const ThreeBand& b : eq)
        for (const OnePoleState& p : {b.lowSplit, b.highOfHigh, b.highOfLow}) check(p.x), check(p.y);
    for (const OnePoleState& p : {lp400, lp1500, loCut[0], loCut[1], hiCut[0], hiCut[1]}) check(p.x), check(p.y);
    return quiet;
}

void ReverbEngine::clearNetwork()
{
    // Everything that carries sound; the modulators, the noise steering and the
    // post-delay smoother keep running, and so do the positions.
    std::memset(memory.get(), 0, sizeof(double) * static_cast<size_t>(used));
    for (int k = 0; k < kLines; ++k) {
        line.interp[k] = 0.0;
        line.lowX[k] = line.lowY[k] = 0.0;
        line.highOfHighX[k] = line.highOfHighY[k] = 0.0;
        line.highOfLowX[k] = line.highOfLowY[k] = 0.0;
    }
    eq[0] = eq[1] = ThreeBand{};
    loCut[0] = loCut[1] = hiCut[0] = hiCut[1] = OnePoleState{};
    lp400 = lp1500 = OnePoleState{};
}

// ---------------------------------------------------------------- coefficients

void ReverbEngine::updateCoefficients(const ReverbSettings& s)
{
    // Below 44100 Hz every coefficient is computed as if the rate were 44100 Hz.
    const double R = std::max(fs, 44100.0);

    const float T = s.reverbTime;
    const float tLo = s.lowDecayScale * T;
    const float tHi = s.highDecayScale * T;

    // Each band loses 60 dB in its time, counting a pass through a line as its
    // length plus 10 ms.
    for (int k = 0; k < kLines; ++k) {
        const double d = line.length[k] + 0.01 * R;
        const double gLo = std::pow(10.0, d * (-3.0 / (tLo * R)));
        const double gMid = std::pow(10.0, d * (-3.0 / (T * R)));
        const double gHi = std::pow(10.0, d * (-3.0 / (tHi * R)));
        line.gLo[k] = gLo;
        line.gMid[k] = gMid;
        line.gHi[k] = gHi;
        line.gLeak[k] = std::cos((gLo - gHi) * (gLo - gHi) * kHalfPi) * gMid;
    }

    loCross = OnePole::at(s.lowCrossover, R);
    hiCross = OnePole::at(s.highCrossover, R);
    loCutCoef = OnePole::at(s.lowCut, R);
    hiCutCoef = OnePole::at(s.highCut, R);
    lp400Coef = OnePole::fromAngle(1256.6370614359173 / R);
    lp1500Coef = OnePole::fromAngle(4712.38898038469 / R);
    noiseCoef = OnePole::fromAngle(15.707963267948966 / R);

    // Louder for larger rooms and shorter times, so the tail keeps a steady level.
    const float invT = 1.0f / T;
    levelComp = 0.5 * std::pow(scale * invT, 0.3333333333333333);

    dirty = false;

    predelTarget = static_cast<double>(static_cast<float>(outDelay[0].length - 2) * (1.0f - s.predelay));

    for (int i = 0; i < 4; ++i) diffCoef[i] = std::pow(baseCoef[i], 3.0 - 2.0 * s.diffusion);

    eqGain.lo = s.lowEqGain;
    eqGain.hi = s.highEqGain;
    eqGain.mid = 1.0;
    eqGain.leak = std::cos((eqGain.lo - eqGain.hi) * (eqGain.lo - eqGain.hi) * kHalfPi);
}

// ---------------------------------------------------------------- processing

void ReverbEngine::processBlock(float sampleRate, bool changed, const ReverbSettings& settings, const double* const* in,
                                double* const* out, uint32_t frames)
{
    ArithmeticScope arithmetic;
    const ReverbSettings s = safeSettings(settings);

    if (!memory)
        prepare(sampleRate, s.roomScale);
    else if (s.roomScale != scale)
        layout(s.roomScale);  // restarts the network from silence, inside the memory it has

    if (dirty || changed) updateCoefficients(s);

    render(in[0], in[1], out[0], out[1], frames, s.dryGain, s.wetGain);
}

void ReverbEngine::render(const double* in0, const double* in1, double* out0, double* out1, uint32_t frames, double dry,
                          double wet)
{
    const VectorPath* vector = nullptr;
    if (!referenceArithmetic) {
        if (active == Path::Sse2) vector = &kSse2Path;
        if (active == Path::Avx2) vector = &kAvx2Path;
        if (active == Path::Avx512) vector = &kAvx512Path;
    }
    if (!vector) {
        renderScalar(in0, in1, out0, out1, frames, dry, wet);
        return;
    }

    // Idle: only the bookkeeping runs until the first frame that is not silent.
    uint32_t from = 0;
    if (idling) {
        from = vector->idle(*this, in0, in1, out0, out1, frames, dry, wet);
        idleBookkeeping(from);
        advanceAll(from);
        if (from == frames) return;
        idling = false;
        quietFrames = 0;
    }

    const uint32_t n = frames - from;
    const double level = vector->render(*this, in0 + from, in1 + from, out0 + from, out1 + from, n, dry, wet);
    if (!(level <= kSilence)) {
        quietFrames = 0;
        return;
    }
    // Once input and taps have been silent for longer than sound takes to
    // pass through the diffuser, the longest line and the post-delay, look at
    // everything the network holds; a residue still above the level is looked
    // at again after another half of that time.
    const uint32_t span = static_cast<uint32_t>(line.length[0] + allpasses[kAllpasses - 1].length + outDelay[0].length);
    quietFrames = static_cast<uint32_t>(std::min<uint64_t>(uint64_t{quietFrames} + n, span));
    if (!idleSkip || quietFrames < span) return;
    if (networkAtMost(kSilence)) {
        clearNetwork();
        idling = true;
    } else {
        quietFrames = span / 2;
    }
}

void ReverbEngine::renderScalar(const double* in0, const double* in1, double* out0, double* out1, uint32_t frames,
                                double dry, double wet)
{
    double* const mem = memory.get();
    // Coefficients in locals: nothing in the loop changes them, and the compiler
    // then need not reload them after every store into the delay memory.
    const OnePole lo = loCross, hi = hiCross, noiseK = noiseCoef, predelK = predelCoef;
    const bool libmRotation = referenceArithmetic;
    const OnePole k400 = lp400Coef, k1500 = lp1500Coef, loCutK = loCutCoef, hiCutK = hiCutCoef;
    const BandGains eqG = eqGain;
    const double g[4] = {diffCoef[0], diffCoef[1], diffCoef[2], diffCoef[3]};
    const double comp = levelComp, target = predelTarget;
    const int32_t outLength = outDelay[0].length;

    for (uint32_t n = 0; n < frames;) {
        // Render in stretches that end where the first delay wraps around, so
        // that inside a stretch every delay position is a plain pointer plus j.
        uint32_t stretch = frames - n;
        auto limit = [&stretch](int32_t length, int32_t pos) {
            stretch = std::min(stretch, static_cast<uint32_t>(length - pos));
        };
        double* lineAt[kLines];
        double* injectAt[kLines];
        double* allpassAt[kAllpasses];
        for (int k = 0; k < kLines; ++k) {
            limit(line.length[k], line.pos[k]);
            limit(line.length[k], line.inject[k]);
            lineAt[k] = mem + line.start[k] + line.pos[k];
            injectAt[k] = mem + line.start[k] + line.inject[k];
        }
        for (int j = 0; j < kAllpasses; ++j) {
            limit(allpasses[j].length, allpasses[j].pos);
            allpassAt[j] = mem + allpasses[j].start + allpasses[j].pos;
        }
        const int32_t outPos = outDelay[0].pos;  // both output delays move together
        limit(outLength, outPos);
        double* const out1Base = mem + outDelay[0].start;
        double* const out2Base = mem + outDelay[1].start;

        for (uint32_t j = 0; j < stretch; ++j) {
            const double x0 = in0[n + j];
            const double x1 = in1[n + j];

            // 1. Modulators: each line's fractional delay wanders within [0.1, 2.1).
            double eta[kLines];
            for (int k = 0; k < kLines; ++k) {
                const double u = 2.0 * line.phase[k] - 1.0;
                const double dk = line.baseFrac[k] + 2.0 * (u - u * std::fabs(u));
                eta[k] = (1.0 - dk) / (1.0 + dk);
            }
            for (int k = 0; k < kLines; ++k) {
                const double ph = line.phase[k] + line.increment[k];
                line.phase[k] = ph >= 1.0 ? ph - 1.0 : ph;  // increments are far below one cycle
            }

            // 2. Line outputs through the allpass interpolator and the band decay filter.
            double z[kLines];
            for (int k = 0; k < kLines; ++k) z[k] = lineAt[k][j];  // written length frames ago
            double o[kLines];
            for (int k = 0; k < kLines; ++k) {
                const double v = z[k] - eta[k] * line.interp[k];
                const double y = line.interp[k] + eta[k] * v;
                line.interp[k] = v;
                const BandParts parts = splitBands(y, lo, hi, line.lowX[k], line.lowY[k], line.highOfHighX[k],
                                                   line.highOfHighY[k], line.highOfLowX[k], line.highOfLowY[k]);
                o[k] = decayMix(parts, {line.gLo[k], line.gMid[k], line.gHi[k], line.gLeak[k]});
            }
            double sum = 0.0;
            for (int k = 0; k < kLines; ++k) sum += o[k];

            // 3. Mid (A) and side (B) taps, before mixing.
            double A = 0.0;
            double B = 0.0;
            for (int i = 0; i < 8; ++i) {
                A += taps.cosine[i] * (o[2 * i] + o[2 * i + 1]);
                B += taps.sine[i] * (o[2 * i + 1] - o[2 * i]);
            }

            // 4. Householder reflection.
            for (int k = 0; k < kLines; ++k) o[k] = o[k] - 0.125 * sum;

            // 5. Rotation angle, steered very slightly by smoothed noise.
            seed = seed * 1664525u + 1013904223u;
            const double noise =
                static_cast<double>(static_cast<float>(static_cast<int32_t>(seed))) * 4.656612873077393e-10;
            const double d = 0.0001 * noiseSmooth.run(noiseK, noise);
            double cA, sA;
            if (libmRotation) {
                cA = std::cos(1.0 + d);
                sA = std::sin(1.0 + d);
            } else {
                // cos and sin of 1 + d, |d| <= 1e-4, by the angle-sum identity around
                // 1 rad: the series of d to the fifth power is exact in doubles, costs a
                // fraction of the C library's functions and is the same on every system.
                const double d2 = d * d;
                const double sinD = d - d * d2 * (1.0 / 6.0) + d * d2 * d2 * (1.0 / 120.0);
                const double cosD = 1.0 - d2 * 0.5 + d2 * d2 * (1.0 / 24.0);
                cA = kCosOne * cosD - kSinOne * sinD;
                sA = kSinOne * cosD + kCosOne * sinD;
            }

            // 6. Cascade of plane rotations; each step sees the earlier steps' results.
            for (int m = 0; m < kLines - 1; ++m) {
                const int a = (m + 1) % kLines;
                const int b = (m + 4) % kLines;
                const double t = cA * o[m] + sA * o[a];
                o[a] = cA * o[a] - sA * o[m];
                o[m] = sA * o[b] + cA * t;
                o[b] = cA * o[b] - sA * t;
            }

            // 7. Input diffusion: channel 1 through allpasses 0, 2, 4, 6; channel 0 through 1, 3, 5, 7.
            double dR = x1 * comp;
            double dL = x0 * comp;
            for (int h = 0; h < 4; ++h) {
                double& cellR = allpassAt[2 * h][j];
                const double zr = cellR;
                const double vr = dR - g[h] * zr;
                cellR = vr;
                dR = vr * g[h] + zr;

                double& cellL = allpassAt[2 * h + 1][j];
                const double zl = cellL;
                const double vl = dL - g[h] * zl;
                cellL = vl;
                dL = vl * g[h] + zl;
            }

            // 8. Injection ahead of the write position, then the feedback write with a
            // one-step cyclic shift that ends the mixing matrix.
            const double common = 0.1 * (dR + dL);
            for (int k = 0; k < kLines; ++k) {
                injectAt[k][j] += common + 0.9 * (k % 2 == 0 ? dR : dL);
                lineAt[k][j] = o[(k + 1) % kLines];
            }

            // 9. Post-delay read at the smoothed offset, interpolated linearly.
            double pos = predelSmooth.run(predelK, target);
            if (pos < 0.0) pos = 0.0;
            const int32_t i = static_cast<int32_t>(pos);
            const double f = pos - i;
            const int32_t here = outPos + static_cast<int32_t>(j);
            const int32_t r0 = wrap(here + i, outLength);
            const int32_t r1 = wrap(here + i + 1, outLength);
            const double u0 = out1Base[r0] + f * (out1Base[r1] - out1Base[r0]);
            const double u1 = out2Base[r0] + f * (out2Base[r1] - out2Base[r0]);

            // 10. Equalise.
            const double e0 = eq[0].equalise(u0, lo, hi, eqG);
            const double e1 = eq[1].equalise(u1, lo, hi, eqG);

            // 11. Post-delay write: the side loses its lows, the mid gets a lift below 1500 Hz.
            const double side = 1.2 * (B - lp400.run(k400, B));
            const double mid = (A + 0.5 * lp1500.run(k1500, A)) * 0.6666666666666666;
            out1Base[here] = mid + side;
            out2Base[here] = mid - side;

            // 12. Low and high cut.
            const double h0 = e0 - loCut[0].run(loCutK, e0);
            const double h1 = e1 - loCut[1].run(loCutK, e1);
            const double c0 = hiCut[0].run(hiCutK, h0);
            const double c1 = hiCut[1].run(hiCutK, h1);

            // 13. Mix, rounded to single precision.
            out0[n + j] = static_cast<double>(static_cast<float>(c0 * comp * wet + x0 * dry));
            out1[n + j] = static_cast<double>(static_cast<float>(c1 * comp * wet + x1 * dry));
        }

        auto advance = [stretch](int32_t pos, int32_t length) {
            const int32_t next = pos + static_cast<int32_t>(stretch);
            return next == length ? 0 : next;
        };
        for (int k = 0; k < kLines; ++k) {
            line.pos[k] = advance(line.pos[k], line.length[k]);
            line.inject[k] = advance(line.inject[k], line.length[k]);
        }
        for (Delay& a : allpasses) a.pos = advance(a.pos, a.length);
        for (Delay& d : outDelay) d.pos = advance(d.pos, d.length);
        n += stretch;
    }
}
