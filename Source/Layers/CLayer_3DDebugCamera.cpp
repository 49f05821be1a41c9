#include "Layers/CLayer_3DDebugCamera.h"

#include "Params/CParamFloat.h"
#include "Params/CParamString.h"

#include <string>

CLayer_3DDebugCamera::CLayer_3DDebugCamera() {
    fov = params.AddParam(new CParamFloat(45.0f), "Fov");
    model = params.AddParam(new CParamString(std::string()), "Model");
}

void CLayer_3DDebugCamera::Render(float time, float) { (void)fov->GetValue(time); }
