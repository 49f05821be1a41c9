// Draws one model resource in 3D with one shader, placed by an animated position, scale and
// yaw-pitch-roll rotation, under whatever camera the 3D matrices hold when it runs.
#pragma once

#include "Layers/CLayer.h"

#include <glm/mat4x4.hpp>
#include <glm/vec3.hpp>

class CParamBool;
class CParamInt;
class CParamString;
class CParamVector3;
class CResourceModel;
class CResourceShader;

class CLayer_3DModel : public CLayer {
public:
    CLayer_3DModel();

    void Render(float time, float delta) override;

    // Scale first, then roll about z, pitch about x, yaw about y (rotation = yaw, pitch, roll in
    // radians), then the translation.
    static glm::mat4 WorldMatrix(const glm::vec3 &position, const glm::vec3 &scale, const glm::vec3 &rotation);

    CParamString *shader;
    CParamString *model;
    CParamVector3 *position;
    CParamVector3 *scale;
    CParamVector3 *rotation;
    CParamBool *enableCameras; // read, no effect on drawing
    CParamBool *enableLights;  // read, no effect on drawing
    CParamBool *enableGeometry;
    CParamInt *cameraID; // not used in drawing

private:
    const CResourceName<CResourceShader> *shaderName;
    const CResourceName<CResourceModel> *modelName;
};
