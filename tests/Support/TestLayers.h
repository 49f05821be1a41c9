// Layer types that exist only in the tests: a probe that records what it saw when it was run, and
// one whose creation fails. Registered as "TestProbe" and "TestFailCreate".
#pragma once

#include "Layers/CLayer.h"
#include "Render/CRenderState.h"

#include <glm/mat4x4.hpp>

#include <string>
#include <vector>

class CParamBool;
class CParamString;

struct ProbeRun {
    std::string tag;
    float time;
    float delta;
    RenderMode modeOnEntry;
    bool colourOnEntry;     // currentColour was set when the layer started
    glm::mat4 worldOnEntry; // the 3D world matrix when the layer started
    bool targetBound;       // renderTargetBound while the layer drew
};

class ProbeLayer : public CLayer {
public:
    ProbeLayer();
    bool OnCreate(const CResourceManager& resources) override;
    void Render(float time, float delta) override;

    CParamString* tag;
    // When true the layer leaves the render state dirty: 2D mode, a colour, a scaled 3D world matrix.
    CParamBool* messUp;

    static std::vector<ProbeRun> runs;
    static std::vector<std::string> created;
};

class FailCreateLayer : public CLayer {
public:
    bool OnCreate(const CResourceManager& resources) override;
    void Render(float, float) override {}
    static int attempts;
};
