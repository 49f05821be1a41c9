#include "Layers/CLayer_3DModel.h"

#include "Params/CParamBool.h"
#include "Params/CParamInt.h"
#include "Params/CParamString.h"
#include "Params/CParamVector3.h"
#include "Platform/CEffect.h"
#include "Render/CRenderState.h"
#include "Resources/CResourceModel.h"
#include "Resources/CResourceShader.h"

#include <glm/ext/matrix_transform.hpp>

#include <string>

CLayer_3DModel::CLayer_3DModel() {
    shader = params.AddParam(new CParamString("DefaultTextured"), "Shader");
    model = params.AddParam(new CParamString(std::string()), "Model");
    position = params.AddParam(new CParamVector3(glm::vec3(0.0f)), "Position");
    scale = params.AddParam(new CParamVector3(glm::vec3(1.0f)), "Scale");
    rotation = params.AddParam(new CParamVector3(glm::vec3(0.0f)), "Rotation");
    enableCameras = params.AddParam(new CParamBool(false), "EnableCameras");
    enableLights = params.AddParam(new CParamBool(true), "EnableLights");
    enableGeometry = params.AddParam(new CParamBool(true), "EnableGeometry");
    cameraID = params.AddParam(new CParamInt(0), "CameraID");
    shaderName = AddResourceName<CResourceShader>(shader);
    modelName = AddResourceName<CResourceModel>(model);
}

glm::mat4 CLayer_3DModel::WorldMatrix(const glm::vec3 &p, const glm::vec3 &s, const glm::vec3 &r) {
    const glm::mat4 identity(1.0f);
    const glm::mat4 roll = glm::rotate(identity, r.z, glm::vec3(0.0f, 0.0f, 1.0f));
    const glm::mat4 pitch = glm::rotate(identity, r.y, glm::vec3(1.0f, 0.0f, 0.0f));
    const glm::mat4 yaw = glm::rotate(identity, r.x, glm::vec3(0.0f, 1.0f, 0.0f));
    // "A then B" is B * A: scale, roll, pitch, yaw, translate.
    return glm::translate(identity, p) * yaw * pitch * roll * glm::scale(identity, s);
}

void CLayer_3DModel::Render(float time, float) {
    CResourceModel *resource = modelName->At(time);
    if (!resource)
        return;
    const glm::vec3 where = position->GetValue(time);
    const glm::vec3 size = scale->GetValue(time);
    const glm::vec3 turn = rotation->GetValue(time);
    (void)enableCameras->GetValue(time);
    (void)enableLights->GetValue(time);
    const bool geometry = enableGeometry->GetValue(time);

    CRenderState &state = State();
    state.SetMode(RenderMode::Mode3D);
    if (!geometry)
        return;

    CResourceShader *effectResource = shaderName->At(time);
    if (!effectResource)
        return;
    effectResource->DrawPasses(state, [&](int, CEffect &) {
        state.Matrices(state.mode).world = WorldMatrix(where, size, turn);
        resource->Render(state);
    });
}
