// A camera for the 3D layers drawn after it in the same frame: sets the 3D projection from the screen's
// aspect and a vertical field of view, and a view that looks from one point at another, turned about
// the world's y axis so that animating the turn orbits the scene.
#pragma once

#include "Layers/CLayer.h"

#include <glm/mat4x4.hpp>
#include <glm/vec3.hpp>

class CParamFloat;
class CParamVector3;

class CLayer_3DCameraOrbit : public CLayer {
public:
    CLayer_3DCameraOrbit();

    void Render(float time, float delta) override;

    CParamFloat *maxZ;
    CParamVector3 *from;
    CParamVector3 *to;
    CParamVector3 *up;
    CParamFloat *rotation; // degrees
    CParamFloat *fov;      // degrees

private:
    // What a degenerate frame (zero-length up, eye on its target, up along the line of sight, a
    // zero field of view) falls back to, so that no frame ever gets a NaN or infinite matrix.
    glm::vec3 lastUp{0.0f, 1.0f, 0.0f};
    glm::mat4 lastLookAt{1.0f};
    glm::mat4 lastProjection;
};
