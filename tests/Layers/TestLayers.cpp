#include "Support/TestLayers.h"

#include "Params/CParamBool.h"
#include "Params/CParamString.h"

#include <glm/gtc/matrix_transform.hpp>

std::vector<ProbeRun> ProbeLayer::runs;
std::vector<std::string> ProbeLayer::created;
int FailCreateLayer::attempts = 0;

namespace {

const glm::vec4 Red{1.0f, 0.0f, 0.0f, 1.0f};

const _CLayerNewFunction<ProbeLayer> probeFactory;
const _CLayerNewFunction<FailCreateLayer> failFactory;

struct Registration {
    Registration() {
        RegisterLayerType("TestProbe", &probeFactory);
        RegisterLayerType("TestFailCreate", &failFactory);
    }
} registration;

} // namespace

ProbeLayer::ProbeLayer() {
    tag = params.AddParam(new CParamString(""), "Tag");
    messUp = params.AddParam(new CParamBool(false), "MessUp");
}

bool ProbeLayer::OnCreate(const CResourceManager&) {
    created.push_back(tag->GetValue(0.0f));
    return true;
}

void ProbeLayer::Render(float time, float delta) {
    CRenderState& state = State();
    runs.push_back(ProbeRun{tag->GetValue(time), time, delta, state.mode, state.currentColour != nullptr,
                            state.Matrices(RenderMode::Mode3D).world, state.renderTargetBound});
    if (messUp->GetValue(time)) {
        state.SetMode(RenderMode::Mode2D);
        state.currentColour = &Red;
        state.Matrices(RenderMode::Mode3D).world = glm::scale(glm::mat4(1.0f), glm::vec3(2.0f));
    }
}

bool FailCreateLayer::OnCreate(const CResourceManager&) {
    ++attempts;
    return false;
}
