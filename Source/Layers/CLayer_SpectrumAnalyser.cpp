#include "Layers/CLayer_SpectrumAnalyser.h"

#include "Params/CParamFloat.h"

CLayer_SpectrumAnalyser::CLayer_SpectrumAnalyser() {
    highlightBand = params.AddParam(new CParamFloat(0.0f), "HighlightBand");
    firstBand = params.AddParam(new CParamFloat(0.0f), "FirstBand");
    lastBand = params.AddParam(new CParamFloat(511.0f), "LastBand");
}

void CLayer_SpectrumAnalyser::Render(float time, float /*delta*/) {
    // The values are evaluated and dropped: nothing is drawn and no device state is touched.
    (void)highlightBand->GetValue(time);
    (void)firstBand->GetValue(time);
    (void)lastBand->GetValue(time);
}
