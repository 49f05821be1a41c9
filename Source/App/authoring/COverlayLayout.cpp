#include "App/authoring/COverlayLayout.h"

#include "App/authoring/CLogFrequencyAxis.h"

#include <algorithm>
#include <cmath>

namespace {

// Wider strips than this draw the waveform no further.
constexpr int MaxWaveformPixels = 1 << 14;

} // namespace

void COverlayLayout::LayOut(OverlayFrame& frame) {
    OverlayTimeline& line = frame.timeline;
    timeline.Build(line, strip.width, strip.labelSpacing);
    line.widestBar = CTimelineLayout::WidestBar(line);
    line.barLines = timeline.BarLines();
    line.beatLines = timeline.BeatLines();
    line.lanes = timeline.Lanes();
    line.playheadAt = timeline.Playhead();
    line.hasLoop = timeline.HasLoop();
    line.loopStartAt = timeline.LoopStart();
    line.loopEndAt = timeline.LoopEnd();
    LayOutMusic(line);

    // The axis changes only with the music's rate.
    const CLogFrequencyAxis axis(frame.spectrum.sampleRate);
    if (axis.Rate() != axisRate) {
        axisRate = axis.Rate();
        bandEdges.resize(static_cast<size_t>(axis.Bands()) + 1);
        for (int band = 0; band < axis.Bands(); ++band)
            bandEdges[static_cast<size_t>(band)] = axis.BandStart(band);
        bandEdges.back() = axis.BandEnd(axis.Bands() - 1);
        float hz[16];
        labelCount = axis.Labels(hz, 16);
        for (int i = 0; i < labelCount; ++i)
            labels[static_cast<size_t>(i)] = OverlayFrequencyLabel{hz[i], axis.FractionOf(hz[i])};
    }
    frame.spectrum.bandEdges = bandEdges;
    frame.spectrum.labels = std::span<const OverlayFrequencyLabel>(labels.data(), static_cast<size_t>(labelCount));
}

std::optional<float> COverlayLayout::AfterDraw(const OverlayActions& actions) {
    // A frame that drew no time line (hidden, with an error shown) leaves the last strip standing.
    if (actions.strip.width > 0.0f)
        strip = actions.strip;
    if (!actions.seekAt)
        return std::nullopt;
    const CTimelineLayout::Snap snap = actions.shiftHeld ? CTimelineLayout::Snap::None
                                       : actions.altHeld ? CTimelineLayout::Snap::Bar
                                                         : CTimelineLayout::Snap::Beat;
    const float time = timeline.SnappedTimeAt(*actions.seekAt, snap);
    if (actions.seekDragged && lastSeek == time)
        return std::nullopt;
    lastSeek = time;
    return time;
}

void COverlayLayout::SetMusic(std::shared_ptr<const CMusicOverview> overview, bool pending) {
    if (overview != music) {
        music = std::move(overview);
        ++musicVersion;
    }
    musicPending = pending;
}

void COverlayLayout::LayOutMusic(OverlayTimeline& line) {
    line.musicPending = musicPending;
    line.musicVersion = musicVersion;
    if (!music || music->WaveColumns() == 0)
        return;
    // Past 1 where the music outlasts the show, so that what is drawn stays in time with the strip.
    line.musicEndAt = music->Seconds() / timeline.Length();
    line.spectrum = music->Spectrum();
    line.spectrumColumns = music->SpectrumColumns();
    line.spectrumRows = music->SpectrumRows();

    // Each pixel column of the strip takes the lowest and highest sample of the overview's columns
    // under it; reduced again only when the strip, the show or the music changed.
    const float width = std::isfinite(strip.width) ? std::max(strip.width, 0.0f) : 0.0f;
    if (width != waveWidth || timeline.Length() != waveLength || musicVersion != waveVersion) {
        waveWidth = width;
        waveLength = timeline.Length();
        waveVersion = musicVersion;
        const double span = static_cast<double>(line.musicEndAt) * width; // pixels the music covers
        const int pixels = std::clamp(static_cast<int>(std::ceil(std::min<double>(span, width))), 0, MaxWaveformPixels);
        const std::span<const float> lows = music->Lows(), highs = music->Highs();
        const double columns = static_cast<double>(lows.size());
        waveLows.resize(static_cast<size_t>(pixels));
        waveHighs.resize(static_cast<size_t>(pixels));
        for (int x = 0; x < pixels; ++x) {
            const size_t first = std::min(static_cast<size_t>(x * columns / span), lows.size() - 1);
            const size_t end =
                std::clamp(static_cast<size_t>(std::ceil((x + 1) * columns / span)), first + 1, lows.size());
            waveLows[static_cast<size_t>(x)] = *std::min_element(lows.begin() + first, lows.begin() + end);
            waveHighs[static_cast<size_t>(x)] = *std::max_element(highs.begin() + first, highs.begin() + end);
        }
    }
    line.waveLows = waveLows;
    line.waveHighs = waveHighs;
}
