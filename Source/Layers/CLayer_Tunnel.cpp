#include "Layers/CLayer_Tunnel.h"

#include "Params/CParamFloat.h"
#include "Params/CParamString.h"
#include "Params/CParamVector3.h"
#include "Platform/CEffect.h"
#include "Render/CRenderState.h"
#include "Resources/CResourceModel.h"
#include "Resources/CResourceShader.h"

#include <glm/ext/matrix_transform.hpp>

#include <cmath>
#include <string>

CLayer_Tunnel::CLayer_Tunnel() {
    brightness = params.AddParam(new CParamFloat(1.0f), "Brightness");
    shader = params.AddParam(new CParamString("DefaultTextured"), "Shader");
    model1 = params.AddParam(new CParamString(std::string()), "Model1");
    position = params.AddParam(new CParamFloat(0.0f), "Position");
    rotation = params.AddParam(new CParamFloat(0.0f), "Rotation");
    spacing = params.AddParam(new CParamFloat(0.0f), "Spacing");
    scale = params.AddParam(new CParamVector3(glm::vec3(1.0f)), "Scale");
    shaderName = AddResourceName<CResourceShader>(shader);
    modelName = AddResourceName<CResourceModel>(model1);
}

float CLayer_Tunnel::CopyDepth(int j, float spacing, float position) {
    const float depth = static_cast<float>(Copies) * spacing;
    // The remainder by a zero depth is undefined; with no spacing the copies all sit at the origin.
    if (depth == 0.0f || !std::isfinite(depth))
        return 0.0f;
    float z = std::fmod(static_cast<float>(j) * spacing + position, depth);
    if (z > 0.0f)
        z -= depth / 2.0f;
    else
        z += depth / 2.0f;
    return z;
}

glm::vec4 CLayer_Tunnel::BrightnessColour(float value) { return UnpackColour(PackColour(value, value, value, 1.0f)); }

void CLayer_Tunnel::Render(float time, float) {
    CResourceModel *resource = modelName->At(time);
    if (!resource)
        return;
    const float grey = brightness->GetValue(time);
    const float offset = position->GetValue(time);
    const float twist = rotation->GetValue(time);
    const float gap = spacing->GetValue(time);
    const glm::vec3 size = scale->GetValue(time);

    CRenderState &state = State();
    state.SetMode(RenderMode::Mode3D);

    CResourceShader *effectResource = shaderName->At(time);
    if (!effectResource)
        return;
    const glm::vec4 colour = BrightnessColour(grey);
    const glm::mat4 identity(1.0f);
    const glm::mat4 scaling = glm::scale(identity, size);
    const glm::mat4 twistOdd = glm::rotate(identity, twist, glm::vec3(0.0f, 0.0f, 1.0f));
    const glm::mat4 twistEven = glm::rotate(identity, -twist, glm::vec3(0.0f, 0.0f, 1.0f));
    effectResource->DrawPasses(state, [&](int, CEffect &effect) {
        effect.SetValue("g_Brightness", &colour[0], sizeof colour);
        for (int j = 0; j < Copies; ++j) {
            const glm::mat4 translation = glm::translate(identity, glm::vec3(0.0f, 0.0f, CopyDepth(j, gap, offset)));
            // Scale, then twist, then move into place.
            state.Matrices(state.mode).world = translation * ((j % 2) ? twistOdd : twistEven) * scaling;
            resource->Render(state);
        }
    });
}
