// The bundled presentation's soundtrack, synthesised from a fixed arrangement: kick, clap, hats,
// offbeat bass, a detuned-saw pad, a plucked arpeggio and a square lead, with a little delay and
// reverb. Pure arithmetic over its own noise generator, so every run yields the same samples.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

class CSoundtrack {
public:
    static constexpr int SampleRate = 44100;
    static constexpr double Bpm = 120.0;
    static constexpr int BeatsPerBar = 4;
    static constexpr int Bars = 36;
    static constexpr double TailSeconds = 1.5;

    static constexpr double BeatSeconds() { return 60.0 / Bpm; }
    static constexpr double BarSeconds() { return BeatSeconds() * BeatsPerBar; }
    static constexpr double LengthSeconds() { return Bars * BarSeconds() + TailSeconds; }

    // The arrangement, by bar. The script's scenes and the tests follow the same sections.
    static bool KickInBar(int bar) { return (bar >= 4 && bar < 12) || (bar >= 16 && bar < 34); }
    static bool BassInBar(int bar) { return (bar >= 4 && bar < 12) || (bar >= 16 && bar < 32); }
    static bool ClapInBar(int bar) { return (bar >= 8 && bar < 12) || (bar >= 16 && bar < 32); }
    static bool HatsInBar(int bar) { return bar >= 2 && bar < 34; }
    static bool ArpInBar(int bar) { return bar >= 12 && bar < 32; }
    static bool LeadInBar(int bar) { return bar >= 20 && bar < 32; }

    // Interleaved stereo floats in -1..1, LengthSeconds() long.
    std::vector<float> Render() {
        const size_t frames = static_cast<size_t>(LengthSeconds() * SampleRate);
        dryL.assign(frames, 0.0);
        dryR.assign(frames, 0.0);
        sendBus.assign(frames, 0.0);
        delayBus.assign(frames, 0.0);
        duck.assign(frames, 1.0);
        noiseState = 0x2545F491u;

        for (int bar = 0; bar < Bars; ++bar) {
            for (int beat = 0; beat < BeatsPerBar; ++beat) {
                const double t = bar * BarSeconds() + beat * BeatSeconds();
                if (KickInBar(bar))
                    Kick(t);
                if (ClapInBar(bar) && (beat == 1 || beat == 3))
                    Clap(t);
                if (HatsInBar(bar)) {
                    const bool open = bar >= 28 && bar < 32;
                    Hat(t + BeatSeconds() * 0.5, open ? 0.22 : 0.05, bar < 4 ? 0.10 : 0.16);
                    if (bar >= 16)
                        Hat(t, 0.03, 0.07);
                }
                if (BassInBar(bar))
                    Bass(t + BeatSeconds() * 0.5, BassNote(bar) + (beat == 3 ? 12 : 0));
            }
            Pad(bar);
            if (ArpInBar(bar))
                Arpeggio(bar);
            if (LeadInBar(bar))
                Lead(bar);
        }

        std::vector<double> revL, revR;
        Reverb(sendBus, revL, revR);
        std::vector<float> out(frames * 2);
        const size_t echo = static_cast<size_t>(BeatSeconds() * 0.75 * SampleRate);
        std::vector<double> echoL(frames, 0.0), echoR(frames, 0.0);
        for (size_t i = echo; i < frames; ++i) {
            // Ping-pong: the input comes back on the left, then bounces to the right and back.
            echoL[i] = delayBus[i - echo] + echoR[i - echo] * 0.45;
            echoR[i] = echoL[i - echo] * 0.8;
        }
        double peak = 1e-9;
        for (size_t i = 0; i < frames; ++i) {
            dryL[i] = std::tanh(dryL[i] + revL[i] * 0.35 + echoL[i] * 0.4);
            dryR[i] = std::tanh(dryR[i] + revR[i] * 0.35 + echoR[i] * 0.4);
            peak = std::max(peak, std::max(std::fabs(dryL[i]), std::fabs(dryR[i])));
        }
        const double gain = 0.89 / peak;
        const size_t fade = static_cast<size_t>(0.5 * SampleRate);
        for (size_t i = 0; i < frames; ++i) {
            const double tail = i + fade > frames ? double(frames - i) / fade : 1.0;
            out[2 * i] = static_cast<float>(dryL[i] * gain * tail);
            out[2 * i + 1] = static_cast<float>(dryR[i] * gain * tail);
        }
        return out;
    }

private:
    static constexpr double Pi = 3.14159265358979323846;

    std::vector<double> dryL, dryR, sendBus, delayBus, duck;
    uint32_t noiseState = 0;

    static double NoteHz(int note) { return 440.0 * std::pow(2.0, (note - 69) / 12.0); }
    size_t Index(double t) const { return static_cast<size_t>(std::max(0.0, t) * SampleRate); }
    size_t Frames() const { return dryL.size(); }

    double Noise() {
        noiseState = noiseState * 1664525u + 1013904223u;
        return (noiseState >> 8) * (2.0 / 16777216.0) - 1.0;
    }

    // Saw with a polynomial band-limited step, so the high notes do not alias into whistles.
    static double Saw(double& phase, double inc) {
        phase += inc;
        if (phase >= 1.0)
            phase -= 1.0;
        double v = 2.0 * phase - 1.0;
        if (phase < inc) {
            const double x = phase / inc;
            v -= x + x - x * x - 1.0;
        } else if (phase > 1.0 - inc) {
            const double x = (phase - 1.0) / inc;
            v -= x * x + x + x + 1.0;
        }
        return v;
    }

    // Zero-delay-feedback state-variable filter (low-pass output).
    struct Filter {
        double ic1 = 0, ic2 = 0;
        double g = 0, k = 1, a1 = 1, lastCutoff = -1, lastQ = -1;
        double Low(double x, double cutoffHz, double q) {
            // tan() per sample would dominate the render; the cutoffs move slowly.
            if (std::fabs(cutoffHz - lastCutoff) > lastCutoff * 0.002 || q != lastQ) {
                g = std::tan(Pi * std::min(cutoffHz, SampleRate * 0.45) / SampleRate);
                k = 1.0 / q;
                a1 = 1.0 / (1.0 + g * (g + k));
                lastCutoff = cutoffHz;
                lastQ = q;
            }
            const double v3 = x - ic2;
            const double v1 = a1 * ic1 + g * a1 * v3;
            const double v2 = ic2 + g * v1;
            ic1 = 2 * v1 - ic1;
            ic2 = 2 * v2 - ic2;
            return v2;
        }
    };

    void AddStereo(size_t i, double v, double pan) {
        if (i >= Frames())
            return;
        dryL[i] += v * (1.0 - pan) * 0.5 * 2.0 * 0.7071;
        dryR[i] += v * (1.0 + pan) * 0.5 * 2.0 * 0.7071;
    }

    int BassNote(int bar) const {
        static const int roots[4] = {45, 41, 48, 43}; // A2 F2 C3 G2
        return roots[bar % 4];
    }

    void Kick(double t) {
        const size_t start = Index(t);
        const size_t len = static_cast<size_t>(0.45 * SampleRate);
        double phase = 0.0;
        for (size_t n = 0; n < len && start + n < Frames(); ++n) {
            const double s = double(n) / SampleRate;
            const double hz = 48.0 + 110.0 * std::exp(-s * 28.0);
            phase += hz / SampleRate;
            const double env = std::exp(-s * 7.5);
            const double click = n < 120 ? (1.0 - n / 120.0) * 0.3 : 0.0;
            AddStereo(start + n, (std::sin(2 * Pi * phase) * env + click) * 0.95, 0.0);
            // Side-chain: the bass and pad give way under the kick.
            duck[start + n] = std::min(duck[start + n], 1.0 - 0.85 * std::exp(-s * 9.0));
        }
    }

    void Clap(double t) {
        const size_t start = Index(t);
        const size_t len = static_cast<size_t>(0.25 * SampleRate);
        Filter band;
        double prev = 0.0;
        for (size_t n = 0; n < len && start + n < Frames(); ++n) {
            const double s = double(n) / SampleRate;
            // Three quick bursts, then the tail: the way hands never quite clap together.
            const double burst = s < 0.03 ? std::exp(-std::fmod(s, 0.01) * 300.0) : std::exp(-(s - 0.03) * 22.0);
            const double x = Noise();
            const double hp = x - prev;
            prev = x;
            const double v = band.Low(hp, 2200.0, 1.2) * burst * 0.9;
            AddStereo(start + n, v, 0.1);
            sendBus[start + n] += v * 0.5;
        }
    }

    void Hat(double t, double decay, double level) {
        const size_t start = Index(t);
        const size_t len = static_cast<size_t>((decay * 5.0) * SampleRate);
        double p1 = 0, p2 = 0;
        for (size_t n = 0; n < len && start + n < Frames(); ++n) {
            const double s = double(n) / SampleRate;
            const double x = Noise();
            const double hp = x - 2 * p1 + p2; // second difference: only the top octaves remain
            p2 = p1;
            p1 = x;
            AddStereo(start + n, hp * std::exp(-s / decay) * level, -0.3);
        }
    }

    void Bass(double t, int note) {
        const size_t start = Index(t);
        const size_t len = static_cast<size_t>(0.24 * SampleRate);
        const double inc = NoteHz(note) / SampleRate;
        double p1 = 0.0, p2 = 0.37;
        Filter f;
        for (size_t n = 0; n < len && start + n < Frames(); ++n) {
            const double s = double(n) / SampleRate;
            const double env = std::min(1.0, s * 400.0) * std::exp(-s * 6.0) * std::min(1.0, (len - n) / 300.0);
            const double osc = Saw(p1, inc) + Saw(p2, inc * 1.004);
            const double v = f.Low(osc, 300.0 + 2200.0 * std::exp(-s * 18.0), 1.4) * env * 0.34;
            AddStereo(start + n, v * duck[start + n], 0.0);
        }
    }

    void Pad(int bar) {
        static const int chords[4][4] = {{57, 60, 64, 69}, {53, 57, 60, 65}, {55, 60, 64, 67}, {55, 59, 62, 67}};
        // Swells in over the intro, thins out in the outro.
        double level = 0.075;
        if (bar < 4)
            level *= (bar + 1) / 4.0;
        if (bar >= 32)
            level *= (Bars - bar) / 5.0;
        const double start = bar * BarSeconds();
        const double length = BarSeconds() + 0.4;
        const bool open = bar >= 12;
        for (int v = 0; v < 4; ++v) {
            const int note = chords[bar % 4][v];
            const double pan = (v - 1.5) * 0.45;
            double phases[3] = {0.13 * v, 0.51, 0.77};
            const double incs[3] = {NoteHz(note) / SampleRate, NoteHz(note) * 1.006 / SampleRate,
                                    NoteHz(note) * 0.994 / SampleRate};
            Filter f;
            const size_t first = Index(start);
            const size_t len = static_cast<size_t>(length * SampleRate);
            double sweep = 0.0;
            for (size_t n = 0; n < len && first + n < Frames(); ++n) {
                const double s = double(n) / SampleRate;
                const double env = std::min(1.0, s / 0.25) * std::min(1.0, (length - s) / 0.4);
                double osc = 0.0;
                for (int k = 0; k < 3; ++k)
                    osc += Saw(phases[k], incs[k]);
                if (n % 64 == 0)
                    sweep = 0.5 + 0.5 * std::sin(2 * Pi * (first + n) / SampleRate / 16.0);
                const double cutoff = (open ? 1400.0 : 700.0) + 1200.0 * sweep;
                const double out = f.Low(osc, cutoff, 0.9) * env * level;
                const size_t i = first + n;
                const double d = 0.55 + 0.45 * duck[i];
                AddStereo(i, out * d, pan);
                sendBus[i] += out * 0.8;
            }
        }
    }

    void Arpeggio(int bar) {
        static const int tones[4][4] = {{69, 72, 76, 81}, {65, 69, 72, 77}, {67, 72, 76, 79}, {67, 71, 74, 79}};
        static const int order[16] = {0, 1, 2, 3, 2, 1, 0, 2, 1, 3, 2, 0, 3, 2, 1, 3};
        const double step = BeatSeconds() / 4.0;
        const bool breakdown = bar < 16;
        for (int i = 0; i < 16; ++i) {
            const int note = tones[bar % 4][order[i]] + (bar >= 28 ? 12 : 0);
            const double t = bar * BarSeconds() + i * step;
            const size_t first = Index(t);
            const size_t len = static_cast<size_t>(0.3 * SampleRate);
            double phase = 0.0, sub = 0.25;
            const double inc = NoteHz(note) / SampleRate, subInc = NoteHz(note - 12) / SampleRate;
            Filter f;
            for (size_t n = 0; n < len && first + n < Frames(); ++n) {
                const double s = double(n) / SampleRate;
                const double env = std::min(1.0, s * 800.0) * std::exp(-s * 14.0);
                const double osc = Saw(phase, inc) * 0.7 + Saw(sub, subInc) * 0.3;
                const double v =
                    f.Low(osc, 900.0 + 5000.0 * std::exp(-s * 25.0), 2.0) * env * (breakdown ? 0.16 : 0.11);
                const size_t k = first + n;
                AddStereo(k, v, 0.35 * ((i % 2) ? 1 : -1));
                delayBus[k] += v * 0.6;
                sendBus[k] += v * 0.3;
            }
        }
    }

    void Lead(int bar) {
        // Two-bar phrases of quarter notes; 0 rests.
        static const int phrase[4][4] = {{76, 0, 74, 76}, {72, 0, 0, 69}, {79, 0, 76, 79}, {74, 0, 71, 0}};
        for (int beat = 0; beat < 4; ++beat) {
            const int note = phrase[bar % 4][beat];
            if (note == 0)
                continue;
            const double t = bar * BarSeconds() + beat * BeatSeconds();
            const bool restAfter = beat < 3 && phrase[bar % 4][beat + 1] == 0;
            const double length = BeatSeconds() * (restAfter ? 1.8 : 0.9);
            const size_t first = Index(t);
            const size_t len = static_cast<size_t>(length * SampleRate);
            double phase = 0.0;
            const double hz = NoteHz(note);
            Filter f;
            for (size_t n = 0; n < len && first + n < Frames(); ++n) {
                const double s = double(n) / SampleRate;
                const double vibrato = 1.0 + 0.004 * std::sin(2 * Pi * 5.5 * s) * std::min(1.0, s * 3.0);
                phase += hz * vibrato / SampleRate;
                phase -= std::floor(phase);
                const double sq = phase < 0.5 ? 1.0 : -1.0;
                const double env =
                    std::min(1.0, s * 60.0) * std::min(1.0, (length - s) / 0.08) * (0.8 + 0.2 * std::exp(-s * 4));
                const double v = f.Low(sq, 2600.0, 1.0) * env * 0.085;
                const size_t k = first + n;
                AddStereo(k, v, 0.0);
                delayBus[k] += v * 0.5;
                sendBus[k] += v * 0.5;
            }
        }
    }

    // Four parallel combs into two all-passes per side, with slightly different lengths for width.
    static void Reverb(const std::vector<double>& in, std::vector<double>& outL, std::vector<double>& outR) {
        const size_t combs[2][4] = {{1557, 1617, 1491, 1422}, {1580, 1640, 1514, 1445}};
        const size_t passes[2][2] = {{225, 556}, {248, 579}};
        std::vector<double>* outs[2] = {&outL, &outR};
        for (int side = 0; side < 2; ++side) {
            std::vector<double>& out = *outs[side];
            out.assign(in.size(), 0.0);
            for (size_t c : combs[side]) {
                std::vector<double> buf(c, 0.0);
                double damp = 0.0;
                size_t pos = 0;
                for (size_t i = 0; i < in.size(); ++i) {
                    const double y = buf[pos];
                    damp = y * 0.6 + damp * 0.4;
                    buf[pos] = in[i] + damp * 0.84;
                    out[i] += y * 0.25;
                    pos = pos + 1 == c ? 0 : pos + 1;
                }
            }
            for (size_t a : passes[side]) {
                std::vector<double> buf(a, 0.0);
                size_t pos = 0;
                for (size_t i = 0; i < out.size(); ++i) {
                    const double b = buf[pos];
                    const double x = out[i];
                    buf[pos] = x + b * 0.5;
                    out[i] = b - x * 0.5;
                    pos = pos + 1 == a ? 0 : pos + 1;
                }
            }
        }
    }
};
