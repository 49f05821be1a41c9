// The presentation's time source: the playing music, or a silent clock when no music is configured.
#pragma once

#include "Base/SpectrumBuffer.h"

class CMusicStream {
public:
    virtual ~CMusicStream() = default;
    virtual bool Init(float startSeconds) = 0;
    virtual float GetTime() = 0;
    virtual void SetPaused(bool paused) = 0;
    virtual bool IsPaused() = 0;
    virtual void SeekBy(float seconds) = 0;
    virtual void Restart() = 0;
    virtual void GetSpectrum(float* buffer) = 0;
    virtual bool HasFinished() = 0;
};
