#include "Layers/CLayer_3DCameraOrbit.h"

#include "Params/CParamFloat.h"
#include "Params/CParamVector3.h"
#include "Render/CRenderState.h"

#include <glm/ext/matrix_clip_space.hpp>
#include <glm/ext/matrix_transform.hpp>
#include <glm/geometric.hpp>
#include <glm/gtc/matrix_access.hpp>

#include <cmath>

namespace {

constexpr float Pi = 3.1415927f;
constexpr float NearPlane = 0.1f;

bool IsFinite(const glm::mat4 &m) {
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r)
            if (!std::isfinite(m[c][r]))
                return false;
    return true;
}

} // namespace

CLayer_3DCameraOrbit::CLayer_3DCameraOrbit() {
    maxZ = params.AddParam(new CParamFloat(50000.0f), "MaxZ");
    from = params.AddParam(new CParamVector3(glm::vec3(0.0f, 0.0f, 0.0f)), "From");
    to = params.AddParam(new CParamVector3(glm::vec3(0.0f, 0.0f, 100.0f)), "To");
    up = params.AddParam(new CParamVector3(glm::vec3(0.0f, 1.0f, 0.0f)), "Up");
    rotation = params.AddParam(new CParamFloat(0.0f), "Rotation");
    fov = params.AddParam(new CParamFloat(45.0f), "Fov");
    lastProjection = glm::perspectiveLH_ZO(Pi / 4.0f, CanvasWidth / CanvasHeight, NearPlane, 50000.0f);
}

void CLayer_3DCameraOrbit::Render(float time, float) {
    const float far = maxZ->GetValue(time);
    const glm::vec3 eye = from->GetValue(time);
    const glm::vec3 target = to->GetValue(time);
    const glm::vec3 upValue = up->GetValue(time);
    const float length = glm::length(upValue);
    // A zero-length (or non-finite) up has no direction; keep the last one that had.
    if (length > 0.0f && std::isfinite(length))
        lastUp = upValue / length;

    const float turn = rotation->GetValue(time) * Pi / 180.0f;
    const float fovY = fov->GetValue(time) * Pi / 180.0f;

    CRenderState &state = State();
    state.SetMode(RenderMode::Mode3D);
    ModeMatrixTriple &matrices = state.Matrices(RenderMode::Mode3D);

    // The screen's aspect, even while drawing into a square render target.
    float aspect = state.screen.width / state.screen.height;
    if (!(aspect > 0.0f) || !std::isfinite(aspect))
        aspect = CanvasWidth / CanvasHeight;
    const glm::mat4 projection = glm::perspectiveLH_ZO(fovY, aspect, NearPlane, far);
    if (IsFinite(projection))
        lastProjection = projection;
    matrices.projection = lastProjection;

    const glm::mat4 lookAt = glm::lookAtLH(eye, target, lastUp);
    if (IsFinite(lookAt))
        lastLookAt = lookAt;
    // Turn about the world's y axis first, then look: with row vectors rotation x look-at.
    const glm::mat4 turnY = glm::rotate(glm::mat4(1.0f), turn, glm::vec3(0.0f, 1.0f, 0.0f));
    matrices.view = lastLookAt * turnY;

    state.lastShot = CameraShot{this, eye, target, upValue, rotation->GetValue(time), fov->GetValue(time), far, time};
    if (state.cameraOverride) {
        matrices.projection = state.overrideProjection;
        matrices.view = state.overrideView;
    }
}
