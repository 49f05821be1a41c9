#include "Base/SpectrumBuffer.h"

float SpectrumBuffer[SpectrumBands] = {};
