#include "Music/CMusicStream.h"

float SpectrumBuffer[SpectrumBands] = {};
