// ReverbEngine: the stereo room reverb. A sixteen-line feedback delay network
// with modulated fractional delays and three-band decay, fed through a
// four-stage allpass diffuser per channel and heard through a gliding
// post-delay, an equaliser and low/high cut filters. Double arithmetic, the
// same on every path: the straightforward scalar renderer and the vector
// renderers (SSE2, AVX2, AVX-512) give identical samples. Includes nothing but
// the standard library.
#pragma once

#include <cstdint>
#include <memory>

/// Corner coefficients of the first-order bilinear lowpass every filter here uses (DC gain 1).
struct OnePole {
    double b = 0.0;
    double c = 0.0;

    /// Corner given as the angle w = pi * f / rate.
    static OnePole fromAngle(double w);
    /// Corner at hz for a rate in Hz.
    static OnePole at(double hz, double rate) { return fromAngle(3.141592653589793 * hz / rate); }
};

/// One OnePole step on the state (x: previous input, y: previous output).
inline double onePole(const OnePole& k, double in, double& x, double& y)
{
    const double out = (in + x) * k.b + k.c * y;
    x = in;
    y = out;
    return out;
}

/// State of one OnePole: previous input and output.
struct OnePoleState {
    double x = 0.0;
    double y = 0.0;

    double run(const OnePole& k, double in) { return onePole(k, in, x, y); }
};

/// Gains of the four parts of a three-band split.
struct BandGains {
    double lo = 0.0;    ///< below the low crossover
    double mid = 0.0;   ///< between the crossovers
    double hi = 0.0;    ///< above the high crossover
    double leak = 0.0;  ///< the low part's share above the high crossover
};

/// The four parts of a three-band split; they always sum back to the input.
struct BandParts {
    double lo2, mid, high, leak;
};

/// Three-band split of y at a low and a high crossover. States (previous input,
/// output): the low split, the high split of the part above the low crossover,
/// the high split of the part below it.
inline BandParts splitBands(double y, const OnePole& lo, const OnePole& hi, double& lowX, double& lowY,
                            double& highOfHighX, double& highOfHighY, double& highOfLowX, double& highOfLowY)
{
    const double lo1 = onePole(lo, y, lowX, lowY);
    const double hi1 = y - lo1;
    const double lo2 = onePole(hi, lo1, highOfLowX, highOfLowY);
    const double mid = onePole(hi, hi1, highOfHighX, highOfHighY);
    return {lo2, mid, hi1 - mid, lo1 - lo2};
}

/// Recombination of a delay line's loop filter: terms summed mid, low, high, leak.
inline double decayMix(const BandParts& p, const BandGains& g)
{
    return p.mid * g.mid + p.lo2 * g.lo + p.high * g.hi + p.leak * g.leak;
}

/// Recombination of the output equaliser: terms summed leak, low, mid, high.
inline double equaliserMix(const BandParts& p, const BandGains& g)
{
    return p.leak * g.leak + p.lo2 * g.lo + p.mid * g.mid + p.high * g.hi;
}

/// A three-band filter with its own state. Equal gains make it a plain gain.
struct ThreeBand {
    OnePoleState lowSplit, highOfHigh, highOfLow;

    double decay(double y, const OnePole& lo, const OnePole& hi, const BandGains& g)
    {
        return decayMix(split(y, lo, hi), g);
    }
    double equalise(double y, const OnePole& lo, const OnePole& hi, const BandGains& g)
    {
        return equaliserMix(split(y, lo, hi), g);
    }

private:
    BandParts split(double y, const OnePole& lo, const OnePole& hi)
    {
        return splitBands(y, lo, hi, lowSplit.x, lowSplit.y, highOfHigh.x, highOfHigh.y, highOfLow.x, highOfLow.y);
    }
};

/// What the engine is asked to do, in its own units. The effect derives these
/// from its parameters; the engine knows nothing of parameter indices or raw values.
struct ReverbSettings {
    float predelay = 0.0f;          ///< share of the longest post-delay (0.1 s) it is shortened by, 0..1
    float reverbTime = 0.25f;       ///< mid-band decay time T, seconds
    double diffusion = 0.0;         ///< 0 (diffuser coefficients cubed) .. 1 (as laid out)
    double roomScale = 1.75;        ///< delay lengths, modulation and level scale, 0.5..5.5
    double highCrossover = 2500.0;  ///< Hz
    double lowCrossover = 250.0;    ///< Hz
    double highEqGain = 1.0;        ///< output gain above the high crossover
    double lowEqGain = 1.0;         ///< output gain below the low crossover
    float highDecayScale = 1.0f;    ///< high-band decay time as a multiple of T
    float lowDecayScale = 1.0f;     ///< low-band decay time as a multiple of T
    double highCut = 20000.0;       ///< output high cut, Hz
    double lowCut = 10.0;           ///< output low cut, Hz
    double dryGain = 0.0;           ///< input heard in the output (insert mode)
    double wetGain = 0.125;         ///< reverb heard in the output, before level compensation
};

template <int Lanes>
struct VectorRender;

class ReverbEngine {
public:
    static constexpr int kLines = 16;
    static constexpr int kAllpasses = 8;

    /// How the network is rendered. The vector paths keep the scalar path's
    /// order of operations in every lane, so all four give the same samples.
    enum class Path : uint8_t { Scalar, Sse2, Avx2, Avx512 };
    /// The path to render with; asked at every prepare.
    using PathProbe = Path (*)();
    /// The widest path the processor runs, by CPUID and the system's saved
    /// register state: AVX-512 and AVX2 only where the system preserves their registers.
    static Path widestPath();
    /// The default probe: widestPath, capped by the environment variable
    /// VESK2_VECTOR_PATH ("scalar", "sse2", "avx2" or "avx512") where it is set,
    /// for comparing paths in a host and for working around a faulty unit.
    static Path chosenPath();

    /// A network whose every value is at or below this (-260 dB of full scale)
    /// is cleared to zeros, and input at or below it counts as silence.
    static constexpr double kSilence = 1e-13;

    /// The engine's arithmetic for a scope: flush-to-zero, denormals-are-zero,
    /// every exception masked, rounding toward zero (the engine's only protection
    /// against denormals in decaying tails). Settings derived inside
    /// one come out exactly as the engine itself would derive them. The
    /// caller's mode comes back with its exception flags cleared, also when
    /// the scope is left by an exception.
    class ArithmeticScope {
    public:
        ArithmeticScope();
        ~ArithmeticScope();
        ArithmeticScope(const ArithmeticScope&) = delete;
        ArithmeticScope& operator=(const ArithmeticScope&) = delete;

    private:
        unsigned int saved;
    };

    ReverbEngine() = default;
    ReverbEngine(const ReverbEngine&) = delete;
    ReverbEngine& operator=(const ReverbEngine&) = delete;

    /// Sizes the delay memory for the largest room at sampleRate, lays the network
    /// out for roomScale and clears it. May throw std::bad_alloc; the engine then
    /// keeps its previous memory and layout. [resume path]
    void prepare(float sampleRate, double roomScale);

    /// Silences the network: delay memory and every filter, interpolator,
    /// modulator and smoother state. Keeps the noise generator. No-op without memory.
    void reset();

    /// Renders frames stereo frames from in to out (distinct buffers); changed asks
    /// for a coefficient update from settings. sampleRate is used only when no
    /// delay memory exists yet (then this prepares, allocating). A room scale
    /// change re-lays and clears the network inside the existing memory.
    void processBlock(float sampleRate, bool changed, const ReverbSettings& settings, const double* const* in,
                      double* const* out, uint32_t frames);

    /// For tests: the straightforward arithmetic the fast paths are measured
    /// against (the rotation's cos and sin from the C library).
    void useReferenceArithmetic(bool on) { referenceArithmetic = on; }
    /// The probe the next prepare chooses the path with (null: chosenPath).
    void setPathProbe(PathProbe probe) { pathProbe = probe ? probe : chosenPath; }
    Path path() const { return active; }
    /// Whether a silent engine whose tail has died away skips the network (on by default).
    void useIdleSkip(bool on);
    /// True while the network is cleared and only the bookkeeping runs (never
    /// on the scalar path, which always renders in full).
    bool idle() const { return idling && active != Path::Scalar && !referenceArithmetic; }
    /// Frames of silence the engine was not asked to render while it idled (a
    /// host let it sleep), in blocks of chunk frames: its clocks go on exactly
    /// as rendering those blocks would have moved them. Nothing while it is awake.
    void idleFor(uint64_t frames, uint32_t chunk);
    /// Frames until sound that entered the engine has died away below the
    /// silence level (where the idle skip starts): its way through the
    /// diffuser, the longest line and the post-delay, then the slowest band's
    /// decay over 260 dB (the level is 1e-13).
    static uint32_t tailFrames(float sampleRate, const ReverbSettings& s);
    /// frames steps of phase += increment, wrapping at 1, exactly as the
    /// engine's arithmetic takes them one by one (for the idle bookkeeping).
    static double advancePhase(double phase, double increment, uint64_t frames);

    // ---- Read-only views of the current layout and coefficients ----
    int32_t memoryCapacity() const { return capacity; }  ///< doubles allocated
    int32_t memoryUsed() const { return used; }          ///< doubles the current layout occupies
    double rate() const { return fs; }                   ///< rate the layout was made for
    double roomScale() const { return scale; }
    int32_t lineLength(int k) const { return line.length[k]; }
    int32_t injectionOffset(int k) const { return line.offset[k]; }
    double modIncrement(int k) const { return line.increment[k]; }
    BandGains loopGains(int k) const { return {line.gLo[k], line.gMid[k], line.gHi[k], line.gLeak[k]}; }
    int32_t allpassLength(int j) const { return allpasses[j].length; }
    double diffuserCoefficient(int h) const { return diffCoef[h]; }
    int32_t outputDelayLength() const { return outDelay[0].length; }
    const BandGains& eqGains() const { return eqGain; }
    const OnePole& lowCrossover() const { return loCross; }
    const OnePole& highCrossover() const { return hiCross; }
    double levelCompensation() const { return levelComp; }

private:
    template <int Lanes>
    friend struct VectorRender;

    struct Delay {
        int32_t start = 0;
        int32_t length = 0;
        int32_t pos = 0;  ///< write position; reading here yields the sample written length frames ago
    };
    // The sixteen FDN lines, one array per quantity, so that the per-line steps
    // are plain loops the compiler can keep in registers and pair up.
    struct Lines {
        int32_t start[kLines] = {};
        int32_t length[kLines] = {};
        int32_t pos[kLines] = {};       // write position
        int32_t offset[kLines] = {};    // where input is added, ahead of the write position
        int32_t inject[kLines] = {};    // pos + offset, wrapped
        double baseFrac[kLines] = {};   // fractional delay in [0.6, 1.6)
        double phase[kLines] = {};      // modulator, cycles
        double increment[kLines] = {};  // modulator, cycles per sample
        double interp[kLines] = {};     // allpass interpolator state
        // Band decay filter: previous input and output of its three OnePoles.
        double lowX[kLines] = {}, lowY[kLines] = {};
        double highOfHighX[kLines] = {}, highOfHighY[kLines] = {};
        double highOfLowX[kLines] = {}, highOfLowY[kLines] = {};
        double gLo[kLines] = {}, gMid[kLines] = {}, gHi[kLines] = {}, gLeak[kLines] = {};
    };

    // cos(1) and sin(1), correctly rounded: the rotation turns by 1 rad plus a small steer.
    static constexpr double kCosOne = 0.54030230586813971740;
    static constexpr double kSinOne = 0.84147098480789650665;
    // Output taps: line pair i is heard at angle theta[i] between mid and side.
    struct TapTable {
        double cosine[8];
        double sine[8];
    };
    static const TapTable taps;

    static double clampRate(float sampleRate);
    static int32_t lineLengthFor(int k, double rate, double roomScale, double& frac);
    static int32_t allpassLengthFor(int j, double rate);
    static int32_t outputLengthFor(double rate);
    static int32_t layoutSize(double rate, double roomScale);

    void layout(double roomScale);
    void updateCoefficients(const ReverbSettings& s);
    void render(const double* in0, const double* in1, double* out0, double* out1, uint32_t frames, double dry,
                double wet);
    void renderScalar(const double* in0, const double* in1, double* out0, double* out1, uint32_t frames, double dry,
                      double wet);
    void advanceAll(uint32_t frames);
    void idleBookkeeping(uint32_t frames);
    bool networkAtMost(double level) const;
    void clearNetwork();

    // Per-frame values of one stretch of at most kChunk frames, passed between
    // the vector renderers' passes (with room for one group past the end).
    static constexpr uint32_t kChunk = 256;
    struct Scratch {
        double angle[kChunk + 8];     // rotation angle offset d
        double post[kChunk + 8];      // smoothed post-delay offset
        double injectEven[kChunk + 8];
        double injectOdd[kChunk + 8];
        double mid[kChunk + 8];       // tap A
        double side[kChunk + 8];      // tap B
    };

    uint32_t seed = 0;   // noise generator: a new instance always starts here
    bool referenceArithmetic = false;
    bool dirty = false;  // coefficients must be recomputed before the next frame
    PathProbe pathProbe = chosenPath;
    Path active = Path::Scalar;  // until the first prepare
    bool idleSkip = true;
    bool idling = false;       // network all zeros, input silent: bookkeeping only
    uint32_t quietFrames = 0;  // frames in a row with silent input and taps
    Scratch scratch{};

    std::unique_ptr<double[]> memory;
    int32_t capacity = 0;
    int32_t used = 0;
    double fs = 0.0;  // layout rate, already made safe

    Lines line;
    Delay allpasses[kAllpasses];
    double baseCoef[4] = {};
    double diffCoef[4] = {};
    Delay outDelay[2];

    double predelTarget = 0.0;  // post-delay read offset, samples
    OnePoleState predelSmooth;
    OnePole predelCoef;

    ThreeBand eq[2];
    BandGains eqGain;
    OnePole loCross, hiCross;
    OnePole loCutCoef, hiCutCoef;
    OnePoleState loCut[2], hiCut[2];
    OnePole lp400Coef, lp1500Coef;
    OnePoleState lp400, lp1500;

    double scale = 0.0;  // roomScale
    double levelComp = 0.0;
    OnePoleState noiseSmooth;
    OnePole noiseCoef;
};
