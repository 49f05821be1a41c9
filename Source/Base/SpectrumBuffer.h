// Magnitudes of a 1024-point FFT of the music being heard, entry 0 the lowest band; all zero at start
// and with the silent clock. Refreshed once per frame by the main loop when SpectrumEnabled is set,
// read by spectrum keyframes. One for the process: every presentation follows the same music.
#pragma once

constexpr int SpectrumBands = 512;
extern float SpectrumBuffer[SpectrumBands];
