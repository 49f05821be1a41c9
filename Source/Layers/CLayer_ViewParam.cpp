#include "Layers/CLayer_ViewParam.h"

#include "Params/CParamFloat.h"
#include "Params/CParamInt.h"

CLayer_ViewParam::CLayer_ViewParam() {
    param = params.AddParam(new CParamFloat(0.0f), "Param");
    start = params.AddParam(new CParamFloat(0.0f), "Start");
    finish = params.AddParam(new CParamFloat(10.0f), "Finish");
    bands = params.AddParam(new CParamInt(100), "Bands");
}

void CLayer_ViewParam::Render(float /*time*/, float /*delta*/) {}
