// ReverbEngine's renderer on vectors of VESK_LANES doubles, included by exactly
// one file per instruction set (EngineSse2.cpp, EngineAvx2.cpp,
// EngineAvx512.cpp). Everything here is a member of the specialisation only
// that file defines, and it calls no inline function of another header, so no
// code built for a wider set can be picked by the linker for a narrower one.
//
// The samples are those of the scalar renderer, bit for bit: every value goes
// through the same operations in the same order, only several of them at once.
// Each stretch of frames runs in passes:
//   1. input diffusion, the noise steering the rotation and the post-delay
//      smoother, frame by frame (their chains are independent of the network);
//   2. the network in groups of VESK_LANES frames: the lines' interpolators and
//      band filters with one lane per line, then the taps, the reflection and
//      the rotation cascade with one lane per frame. A group's frames are
//      independent there because every line is longer than a group: what a
//      frame writes is read a line length later. Injections go in before the
//      group reads, since the shortest line reads its injection one frame later;
//   3. the post-delay, equaliser, cuts and mix, frame by frame.
#pragma once

#include <cstdint>

#include "effect/ReverbEngine.h"
#include "effect/VectorPaths.h"

#ifndef VESK_LANES
#error "define VESK_LANES (2, 4 or 8) before including EngineVector.h"
#endif

template <>
struct VectorRender<VESK_LANES> {
    static constexpr int kW = VESK_LANES;
    typedef double Vec __attribute__((vector_size(kW * 8)));
    typedef long long Bits __attribute__((vector_size(kW * 8)));

    using Engine = ReverbEngine;
    static constexpr int kL = Engine::kLines;
    static constexpr int kBlocks = kL / kW;  // line vectors
    static constexpr uint32_t kChunk = Engine::kChunk;

    static Vec load(const double* p)
    {
        Vec v;
        __builtin_memcpy(&v, p, sizeof v);
        return v;
    }
    static void store(double* p, Vec v) { __builtin_memcpy(p, &v, sizeof v); }
    static Vec abs(Vec v) { return (Vec)((Bits)v & 0x7FFFFFFFFFFFFFFFLL); }
    static Vec max(Vec a, Vec b) { return a > b ? a : b; }
    static double max(double a, double b) { return a > b ? a : b; }
    static double abs(double v) { return v < 0.0 ? -v : v; }
    static uint32_t min(uint32_t a, uint32_t b) { return a < b ? a : b; }
    static double widest(Vec v)
    {
        double m = v[0];
        for (int i = 1; i < kW; ++i) m = max(m, v[i]);
        return m;
    }

    /// One step of the bilinear lowpass (previous input x, output y), as onePole.
    template <class T>
    static T lowpass(const OnePole& k, T in, T& x, T& y)
    {
        const T out = (in + x) * k.b + k.c * y;
        x = in;
        y = out;
        return out;
    }

    /// Row i becomes column i: bit s of the row and column index swapped for each s.
    static void transpose(Vec* r)
    {
#if VESK_LANES == 2
        const Vec a = r[0], b = r[1];
        r[0] = __builtin_shufflevector(a, b, 0, 2);
        r[1] = __builtin_shufflevector(a, b, 1, 3);
#elif VESK_LANES == 4
        for (int i : {0, 2}) {
            const Vec a = r[i], b = r[i + 1];
            r[i] = __builtin_shufflevector(a, b, 0, 4, 2, 6);
            r[i + 1] = __builtin_shufflevector(a, b, 1, 5, 3, 7);
        }
        for (int i : {0, 1}) {
            const Vec a = r[i], b = r[i + 2];
            r[i] = __builtin_shufflevector(a, b, 0, 1, 4, 5);
            r[i + 2] = __builtin_shufflevector(a, b, 2, 3, 6, 7);
        }
#elif VESK_LANES == 8
        for (int i : {0, 2, 4, 6}) {
            const Vec a = r[i], b = r[i + 1];
            r[i] = __builtin_shufflevector(a, b, 0, 8, 2, 10, 4, 12, 6, 14);
            r[i + 1] = __builtin_shufflevector(a, b, 1, 9, 3, 11, 5, 13, 7, 15);
        }
        for (int i : {0, 1, 4, 5}) {
            const Vec a = r[i], b = r[i + 2];
            r[i] = __builtin_shufflevector(a, b, 0, 1, 8, 9, 4, 5, 12, 13);
            r[i + 2] = __builtin_shufflevector(a, b, 2, 3, 10, 11, 6, 7, 14, 15);
        }
        for (int i : {0, 1, 2, 3}) {
            const Vec a = r[i], b = r[i + 4];
            r[i] = __builtin_shufflevector(a, b, 0, 1, 2, 3, 8, 9, 10, 11);
            r[i + 4] = __builtin_shufflevector(a, b, 4, 5, 6, 7, 12, 13, 14, 15);
        }
#else
#error "VESK_LANES must be 2, 4 or 8"
#endif
    }

    // ------------------------------------------------------------ pass 1

    // The diffuser takes four frames at once (two on SSE2): no allpass is shorter.
    static constexpr uint32_t kD = kW < 4 ? kW : 4;
    typedef double Frames __attribute__((vector_size(kD * 8)));

    /// r (at most kD) cells of an allpass from position p on, wrapping at its end.
    static Frames cells(const double* cell, int32_t p, int32_t length, uint32_t r)
    {
        Frames v = {};
        if (p + static_cast<int32_t>(kD) <= length) {
            __builtin_memcpy(&v, cell + p, sizeof v);
            return v;
        }
        for (uint32_t f = 0; f < r; ++f) {
            v[f] = cell[p];
            p = p + 1 == length ? 0 : p + 1;
        }
        return v;
    }
    static void setCells(double* cell, int32_t p, int32_t length, Frames v, uint32_t r)
    {
        if (r == kD && p + static_cast<int32_t>(kD) <= length) {
            __builtin_memcpy(cell + p, &v, sizeof v);
            return;
        }
        for (uint32_t f = 0; f < r; ++f) {
            cell[p] = v[f];
            p = p + 1 == length ? 0 : p + 1;
        }
    }

    /// Diffusion and the per-frame controls of frames [0, m) of a stretch;
    /// returns the largest input magnitude.
    static double diffuse(Engine& e, const double* in0, const double* in1, uint32_t m)
    {
        Engine::Scratch& s = e.scratch;
        double* const mem = e.memory.get();
        const double comp = e.levelComp;
        const double g[4] = {e.diffCoef[0], e.diffCoef[1], e.diffCoef[2], e.diffCoef[3]};
        // Allpasses 2h and 2h + 1 have the same length and move together.
        double* cellR[4];
        double* cellL[4];
        int32_t pos[4], length[4];
        for (int h = 0; h < 4; ++h) {
            cellR[h] = mem + e.allpasses[2 * h].start;
            cellL[h] = mem + e.allpasses[2 * h + 1].start;
            pos[h] = e.allpasses[2 * h].pos;
            length[h] = e.allpasses[2 * h].length;
        }
        uint32_t seed = e.seed;
        const OnePole noiseK = e.noiseCoef, postK = e.predelCoef;
        double nx = e.noiseSmooth.x, ny = e.noiseSmooth.y, px = e.predelSmooth.x, py = e.predelSmooth.y;
        const double target = e.predelTarget;

        for (uint32_t i = 0; i < m; i += kD) {
            // kD frames at once, one per lane: each reads cells written an
            // allpass length (at least four frames) ago.
            const uint32_t r = min(kD, m - i);
            Frames dR = {}, dL = {};
            for (uint32_t f = 0; f < r; ++f) {
                dR[f] = in1[i + f] * comp;
                dL[f] = in0[i + f] * comp;
            }
            for (int h = 0; h < 4; ++h) {
                const Frames zr = cells(cellR[h], pos[h], length[h], r);
                const Frames vr = dR - g[h] * zr;
                setCells(cellR[h], pos[h], length[h], vr, r);
                dR = vr * g[h] + zr;

                const Frames zl = cells(cellL[h], pos[h], length[h], r);
                const Frames vl = dL - g[h] * zl;
                setCells(cellL[h], pos[h], length[h], vl, r);
                dL = vl * g[h] + zl;
                pos[h] += static_cast<int32_t>(r);
                if (pos[h] >= length[h]) pos[h] -= length[h];
            }
            const Frames common = 0.1 * (dR + dL);
            const Frames even = common + 0.9 * dR, odd = common + 0.9 * dL;
            __builtin_memcpy(s.injectEven + i, &even, sizeof even);  // the scratch has room past the end
            __builtin_memcpy(s.injectOdd + i, &odd, sizeof odd);

            for (uint32_t f = 0; f < r; ++f) {
                seed = seed * 1664525u + 1013904223u;
                const double noise = static_cast<double>(static_cast<float>(static_cast<int32_t>(seed))) *
                                     4.656612873077393e-10;
                s.angle[i + f] = 0.0001 * lowpass(noiseK, noise, nx, ny);
                s.post[i + f] = lowpass(postK, target, px, py);
            }
        }
        for (int h = 0; h < 4; ++h) e.allpasses[2 * h].pos = e.allpasses[2 * h + 1].pos = pos[h];
        e.seed = seed;
        e.noiseSmooth = {nx, ny};
        e.predelSmooth = {px, py};
        return inputLevel(in0, in1, m);
    }

    static double inputLevel(const double* in0, const double* in1, uint32_t m)
    {
        Vec v = {};
        uint32_t i = 0;
        for (; i + kW <= m; i += kW) v = max(v, max(abs(load(in0 + i)), abs(load(in1 + i))));
        double level = widest(v);
        for (; i < m; ++i) level = max(level, max(abs(in0[i]), abs(in1[i])));
        return level;
    }

    // ------------------------------------------------------------ pass 2

    /// The interpolators and band filters of lines [kW b, kW b + kW) over r
    /// frames: z[f] holds their line outputs at frame f, o[f] gets the results
    /// (zeros past r).
    static void lineBlock(Engine& e, int b, const Vec* z, Vec* o, uint32_t r)
    {
        Engine::Lines& L = e.line;
        const int k0 = b * kW;
        const OnePole lo = e.loCross, hi = e.hiCross;
        const Vec inc = load(L.increment + k0), base = load(L.baseFrac + k0);
        const Vec gLo = load(L.gLo + k0), gMid = load(L.gMid + k0), gHi = load(L.gHi + k0),
                  gLeak = load(L.gLeak + k0);
        Vec phase = load(L.phase + k0), interp = load(L.interp + k0);
        Vec lowX = load(L.lowX + k0), lowY = load(L.lowY + k0);
        Vec hohX = load(L.highOfHighX + k0), hohY = load(L.highOfHighY + k0);
        Vec holX = load(L.highOfLowX + k0), holY = load(L.highOfLowY + k0);

        for (uint32_t f = 0; f < r; ++f) {
            const Vec u = 2.0 * phase - 1.0;
            const Vec dk = base + 2.0 * (u - u * abs(u));
            const Vec eta = (1.0 - dk) / (1.0 + dk);
            // Wrapping subtracts 1, staying subtracts +0: the select's values in fewer operations.
            const Vec next = phase + inc;
            phase = next - (Vec)((Bits)(next >= 1.0) & (Bits)(Vec{} + 1.0));

            const Vec v = z[f] - eta * interp;
            const Vec y = interp + eta * v;
            interp = v;
            const Vec lo1 = lowpass(lo, y, lowX, lowY);
            const Vec hi1 = y - lo1;
            const Vec lo2 = lowpass(hi, lo1, holX, holY);
            const Vec mid = lowpass(hi, hi1, hohX, hohY);
            o[f] = mid * gMid + lo2 * gLo + (hi1 - mid) * gHi + (lo1 - lo2) * gLeak;
        }
        for (uint32_t f = r; f < kW; ++f) o[f] = Vec{};

        store(L.phase + k0, phase);
        store(L.interp + k0, interp);
        store(L.lowX + k0, lowX);
        store(L.lowY + k0, lowY);
        store(L.highOfHighX + k0, hohX);
        store(L.highOfHighY + k0, hohY);
        store(L.highOfLowX + k0, holX);
        store(L.highOfLowY + k0, holY);
    }

    /// Frames [j, j + r) of a stretch, c their index in the scratch arrays.
    static Vec group(Engine& e, double* const* lineAt, double* const* injectAt, uint32_t j, uint32_t c, uint32_t r)
    {
        Engine::Scratch& s = e.scratch;
        if (r == kW) {
            const Vec even = load(s.injectEven + c), odd = load(s.injectOdd + c);
            for (int k = 0; k < kL; ++k) store(injectAt[k] + j, load(injectAt[k] + j) + (k % 2 == 0 ? even : odd));
        } else {
            for (int k = 0; k < kL; ++k)
                for (uint32_t f = 0; f < r; ++f)
                    injectAt[k][j + f] += (k % 2 == 0 ? s.injectEven : s.injectOdd)[c + f];
        }

        // Line outputs, written a line length ago. A short group reads a few
        // values past its end that it never uses; they lie inside the memory.
        Vec o[kL];
        for (int b = 0; b < kBlocks; ++b) {
            Vec z[kW];
            for (int q = 0; q < kW; ++q) z[q] = load(lineAt[b * kW + q] + j);
            transpose(z);
            lineBlock(e, b, z, o + b * kW, r);
            transpose(o + b * kW);
        }

        Vec sum = {};
        for (int k = 0; k < kL; ++k) sum += o[k];
        Vec A = {}, B = {};
        for (int i = 0; i < 8; ++i) {
            A += Engine::taps.cosine[i] * (o[2 * i] + o[2 * i + 1]);
            B += Engine::taps.sine[i] * (o[2 * i + 1] - o[2 * i]);
        }
        store(s.mid + c, A);
        store(s.side + c, B);
        for (int k = 0; k < kL; ++k) o[k] = o[k] - 0.125 * sum;

        const Vec d = load(s.angle + c);
        const Vec d2 = d * d;
        const Vec sinD = d - d * d2 * (1.0 / 6.0) + d * d2 * d2 * (1.0 / 120.0);
        const Vec cosD = 1.0 - d2 * 0.5 + d2 * d2 * (1.0 / 24.0);
        const Vec cA = Engine::kCosOne * cosD - Engine::kSinOne * sinD;
        const Vec sA = Engine::kSinOne * cosD + Engine::kCosOne * sinD;
        for (int m = 0; m < kL - 1; ++m) {
            const int a = (m + 1) % kL;
            const int b = (m + 4) % kL;
            const Vec t = cA * o[m] + sA * o[a];
            o[a] = cA * o[a] - sA * o[m];
            o[m] = sA * o[b] + cA * t;
            o[b] = cA * o[b] - sA * t;
        }

        if (r == kW) {
            for (int k = 0; k < kL; ++k) store(lineAt[k] + j, o[(k + 1) % kL]);
        } else {
            for (int k = 0; k < kL; ++k)
                for (uint32_t f = 0; f < r; ++f) lineAt[k][j + f] = o[(k + 1) % kL][f];
        }
        return max(abs(A), abs(B));
    }

    /// The network over frames [0, m) of a stretch; returns the largest tap magnitude.
    static double network(Engine& e, uint32_t m)
    {
        double* const mem = e.memory.get();
        Engine::Lines& L = e.line;
        Vec level = {};
        for (uint32_t i = 0; i < m;) {
            // Runs that end where a line's write or injection position wraps.
            uint32_t run = m - i;
            double* lineAt[kL];
            double* injectAt[kL];
            for (int k = 0; k < kL; ++k) {
                run = min(run, static_cast<uint32_t>(L.length[k] - L.pos[k]));
                run = min(run, static_cast<uint32_t>(L.length[k] - L.inject[k]));
                lineAt[k] = mem + L.start[k] + L.pos[k];
                injectAt[k] = mem + L.start[k] + L.inject[k];
            }
            for (uint32_t j = 0; j < run; j += kW)
                level = max(level, group(e, lineAt, injectAt, j, i + j, min(kW, run - j)));
            for (int k = 0; k < kL; ++k) {
                const int32_t p = L.pos[k] + static_cast<int32_t>(run);
                const int32_t q = L.inject[k] + static_cast<int32_t>(run);
                L.pos[k] = p == L.length[k] ? 0 : p;
                L.inject[k] = q == L.length[k] ? 0 : q;
            }
            i += run;
        }
        return widest(level);
    }

    // ------------------------------------------------------------ pass 3

    // Both channels at once, channel c in lane c; the mid/side lowpasses as a
    // pair too (lane 0 the side's 400 Hz one, lane 1 the mid's 1500 Hz one).
    typedef double Two __attribute__((vector_size(16)));
    typedef float TwoFloats __attribute__((vector_size(8)));

    static Two pair(const OnePoleState& a, const OnePoleState& b, bool output)
    {
        return output ? Two{a.y, b.y} : Two{a.x, b.x};
    }
    static void unpair(Two x, Two y, OnePoleState& a, OnePoleState& b)
    {
        a = {x[0], y[0]};
        b = {x[1], y[1]};
    }

    static void output(Engine& e, const double* in0, const double* in1, double* out0, double* out1, uint32_t m,
                       double dry, double wet)
    {
        const Engine::Scratch& s = e.scratch;
        double* const mem = e.memory.get();
        double* const post0 = mem + e.outDelay[0].start;
        double* const post1 = mem + e.outDelay[1].start;
        const int32_t length = e.outDelay[0].length;
        int32_t here = e.outDelay[0].pos;
        const OnePole lo = e.loCross, hi = e.hiCross, loCutK = e.loCutCoef, hiCutK = e.hiCutCoef;
        const OnePole sideMid[2] = {e.lp400Coef, e.lp1500Coef};
        const Two lpB = {sideMid[0].b, sideMid[1].b}, lpC = {sideMid[0].c, sideMid[1].c};
        const BandGains g = e.eqGain;
        const double comp = e.levelComp;
        Two lowX = pair(e.eq[0].lowSplit, e.eq[1].lowSplit, false), lowY = pair(e.eq[0].lowSplit, e.eq[1].lowSplit, true);
        Two holX = pair(e.eq[0].highOfLow, e.eq[1].highOfLow, false);
        Two holY = pair(e.eq[0].highOfLow, e.eq[1].highOfLow, true);
        Two hohX = pair(e.eq[0].highOfHigh, e.eq[1].highOfHigh, false);
        Two hohY = pair(e.eq[0].highOfHigh, e.eq[1].highOfHigh, true);
        Two lpX = pair(e.lp400, e.lp1500, false), lpY = pair(e.lp400, e.lp1500, true);
        Two loCutX = pair(e.loCut[0], e.loCut[1], false), loCutY = pair(e.loCut[0], e.loCut[1], true);
        Two hiCutX = pair(e.hiCut[0], e.hiCut[1], false), hiCutY = pair(e.hiCut[0], e.hiCut[1], true);

        for (uint32_t i = 0; i < m; ++i) {
            double pos = s.post[i];
            if (pos < 0.0) pos = 0.0;
            const int32_t whole = static_cast<int32_t>(pos);
            const double f = pos - whole;
            int32_t r0 = here + whole, r1 = here + whole + 1;
            if (r0 >= length) r0 -= length;
            if (r1 >= length) r1 -= length;
            const Two at0 = {post0[r0], post1[r0]}, at1 = {post0[r1], post1[r1]};
            const Two u = at0 + f * (at1 - at0);

            // The equaliser: terms summed leak, low, mid, high.
            const Two lo1 = lowpass(lo, u, lowX, lowY);
            const Two hi1 = u - lo1;
            const Two lo2 = lowpass(hi, lo1, holX, holY);
            const Two mid = lowpass(hi, hi1, hohX, hohY);
            const Two eq = (lo1 - lo2) * g.leak + lo2 * g.lo + mid * g.mid + (hi1 - mid) * g.hi;

            const double A = s.mid[i], B = s.side[i];
            const Two taps = {B, A};
            const Two lp = (taps + lpX) * lpB + lpC * lpY;
            lpX = taps;
            lpY = lp;
            const double sideOut = 1.2 * (B - lp[0]);
            const double midOut = (A + 0.5 * lp[1]) * 0.6666666666666666;
            post0[here] = midOut + sideOut;
            post1[here] = midOut - sideOut;

            const Two h = eq - lowpass(loCutK, eq, loCutX, loCutY);
            const Two c = lowpass(hiCutK, h, hiCutX, hiCutY);
            const Two x = {in0[i], in1[i]};
            const Two mixed = __builtin_convertvector(__builtin_convertvector(c * comp * wet + x * dry, TwoFloats), Two);
            out0[i] = mixed[0];
            out1[i] = mixed[1];
            here = here + 1 == length ? 0 : here + 1;
        }
        e.outDelay[0].pos = e.outDelay[1].pos = here;
        unpair(lowX, lowY, e.eq[0].lowSplit, e.eq[1].lowSplit);
        unpair(holX, holY, e.eq[0].highOfLow, e.eq[1].highOfLow);
        unpair(hohX, hohY, e.eq[0].highOfHigh, e.eq[1].highOfHigh);
        unpair(lpX, lpY, e.lp400, e.lp1500);
        unpair(loCutX, loCutY, e.loCut[0], e.loCut[1]);
        unpair(hiCutX, hiCutY, e.hiCut[0], e.hiCut[1]);
    }

    // ------------------------------------------------------------ entries

    static double render(Engine& e, const double* in0, const double* in1, double* out0, double* out1,
                         uint32_t frames, double dry, double wet)
    {
        double level = 0.0;
        for (uint32_t n = 0; n < frames;) {
            const uint32_t m = min(frames - n, kChunk);
            level = max(level, diffuse(e, in0 + n, in1 + n, m));
            level = max(level, network(e, m));
            output(e, in0 + n, in1 + n, out0 + n, out1 + n, m, dry, wet);
            n += m;
        }
        return level;
    }

    /// Lanes where either channel is above the silence level or NaN.
    static Bits loud(Vec a, Vec b) { return ~((abs(a) <= Engine::kSilence) & (abs(b) <= Engine::kSilence)); }
    static bool any(Bits m)
    {
        for (int i = 1; i < kW; ++i) m[0] |= m[i];
        return m[0] != 0;
    }

    /// The silent frames at the start of [0, frames), for a cleared network:
    /// their output is the dry input. Returns their count; the engine does
    /// the bookkeeping for them.
    static uint32_t idle(Engine& e, const double* in0, const double* in1, double* out0, double* out1, uint32_t frames,
                         double dry, double wet)
    {
        // Eight vectors at a time, then the frame that ends the silence.
        constexpr uint32_t kSpan = 8 * kW;
        uint32_t n = 0;
        for (; n + kSpan <= frames; n += kSpan) {
            Bits m = {};
            for (uint32_t i = n; i < n + kSpan; i += kW) m |= loud(load(in0 + i), load(in1 + i));
            if (any(m)) break;
        }
        while (n < frames && !any(loud(Vec{} + in0[n], Vec{} + in1[n]))) ++n;

        // The mix of a cleared network: its part is exactly the zero it gives.
        const double silentWet = 0.0 * e.levelComp * wet;
        typedef float Narrow __attribute__((vector_size(kW * 4)));
        auto mix = [silentWet, dry](Vec x) {
            return __builtin_convertvector(__builtin_convertvector(silentWet + x * dry, Narrow), Vec);
        };
        uint32_t i = 0;
        if (dry == 0.0 && !__builtin_signbit(silentWet)) {
            // Every frame mixes to +0: nothing of the dry input, nothing of the network.
            __builtin_memset(out0, 0, sizeof(double) * n);
            __builtin_memset(out1, 0, sizeof(double) * n);
            i = n;
        }
        for (; i + kW <= n; i += kW) {
            store(out0 + i, mix(load(in0 + i)));
            store(out1 + i, mix(load(in1 + i)));
        }
        for (; i < n; ++i) {
            out0[i] = static_cast<double>(static_cast<float>(silentWet + in0[i] * dry));
            out1[i] = static_cast<double>(static_cast<float>(silentWet + in1[i] * dry));
        }
        return n;
    }
};

#define VESK_VECTOR_PATH(name) \
    const VectorPath name = {VectorRender<VESK_LANES>::render, VectorRender<VESK_LANES>::idle};
