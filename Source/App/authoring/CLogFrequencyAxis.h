// The overlay's spectrum axis: logarithmic, so that the bass bands the music's rhythm lives in get as
// much room as the treble. Band k of the 1024-point spectrum covers k x rate / 1024 Hz up to
// the next band; the axis runs from half the first band's width to the highest band's end.
#pragma once

class CLogFrequencyAxis {
public:
    static constexpr int FftSize = 1024;
    static constexpr float DefaultRate = 44100.0f;

    // A rate that is not a positive, finite number counts as 44100 Hz.
    explicit CLogFrequencyAxis(float sampleRate, int bands = FftSize / 2);

    float Rate() const { return rate; }
    int Bands() const { return bands; }
    float BandWidthHz() const { return rate / FftSize; }
    float LowestHz() const { return BandWidthHz() * 0.5f; }
    float HighestHz() const { return BandWidthHz() * static_cast<float>(bands); }

    // 0 at the axis' left end, 1 at its right end (clamped).
    float FractionOf(float hz) const;
    // The stretch of the axis band k takes (band 0 starts at the axis' left end).
    float BandStart(int band) const;
    float BandEnd(int band) const;

    // The frequencies worth a label (1, 2 and 5 times a power of ten) inside the axis, lowest first;
    // `out` holds room for `capacity`. Returns how many were written.
    int Labels(float* out, int capacity) const;

private:
    float rate;
    int bands;
};
