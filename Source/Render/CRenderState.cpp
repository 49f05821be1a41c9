#include "Render/CRenderState.h"

#include "Platform/CEffect.h"
#include "Platform/CGraphicsDevice.h"

#include <glm/ext/matrix_clip_space.hpp>
#include <glm/ext/matrix_transform.hpp>
#include <glm/gtc/constants.hpp>

#include <cmath>

namespace {

// Component times 255 truncated toward zero, reduced modulo 256. The product is taken in double, so
// a component just above 1 (257/255) is not rounded up to the next byte; fmod gives huge, negative or
// non-finite components a defined byte instead of an undefined conversion.
uint32_t PackComponent(float c) {
    double v = std::trunc(static_cast<double>(c) * 255.0);
    if (!std::isfinite(v))
        return 0;
    v = std::fmod(v, 256.0);
    if (v < 0)
        v += 256.0;
    return static_cast<uint32_t>(v) & 0xFFu;
}
} // namespace

uint32_t PackColour(float r, float g, float b, float a) {
    return (PackComponent(a) << 24) | (PackComponent(r) << 16) | (PackComponent(g) << 8) | PackComponent(b);
}

glm::vec4 UnpackColour(uint32_t argb) {
    return glm::vec4(static_cast<float>((argb >> 16) & 0xFF) / 255.0f, static_cast<float>((argb >> 8) & 0xFF) / 255.0f,
                     static_cast<float>(argb & 0xFF) / 255.0f, static_cast<float>((argb >> 24) & 0xFF) / 255.0f);
}

CRenderState::CRenderState(CGraphicsDevice& device, const ScreenSetup& screen) : device(device), screen(screen) {
    // States that hold for the whole run. Normal renormalisation and the texture-times-colour alpha
    // are what the effects do themselves, so only blending and sampling reach the device.
    device.SetAlphaBlending(true);
    device.SetSamplerState(0, TextureAddress::Clamp, TextureFilter::Point);
}

void CRenderState::SetMode(RenderMode m) {
    if (m == mode)
        return;
    if (m == RenderMode::Mode2D) {
        device.SetLighting(false);
        device.SetCullMode(CullMode::None);
        device.SetDepthTest(false);
    } else if (m == RenderMode::Mode3D) {
        device.SetLighting(true);
        device.SetCullMode(CullMode::CounterClockwise);
        device.SetDepthTest(true);
        device.SetDepthWrite(true);
    }
    mode = m;
}

void CRenderState::BeginFrame() {
    device.BeginScene();
    device.SetAmbient(0);

    ModeMatrixTriple& m2 = Matrices(RenderMode::Mode2D);
    m2.projection =
        glm::orthoLH_ZO(-CanvasWidth / 2, CanvasWidth / 2, -CanvasHeight / 2, CanvasHeight / 2, 1.0f, 10.0f);
    m2.view = glm::translate(glm::mat4(1.0f), glm::vec3(-CanvasWidth / 2, -CanvasHeight / 2, 0.0f));
    m2.world = glm::mat4(1.0f);

    ModeMatrixTriple& m3 = Matrices(RenderMode::Mode3D);
    m3.projection = glm::perspectiveLH_ZO(glm::pi<float>() / 4, CanvasWidth / CanvasHeight, 0.1f, 1000.0f);
    m3.view = glm::mat4(1.0f);
    m3.world = glm::mat4(1.0f);
    if (cameraOverride) {
        m3.projection = overrideProjection;
        m3.view = overrideView;
    }
    lastShot = CameraShot();

    mode = RenderMode::None;
    currentEffect = nullptr;
}

void CRenderState::CommitMatrices() {
    if (!currentEffect)
        return;

    const float canvasAspect = 1.6f;
    float sx = 1.0f, sy = 1.0f;
    if (!renderTargetBound) {
        const float a = screen.aspect;
        if (a > canvasAspect) {
            if (mode != RenderMode::Mode3D)
                sx = canvasAspect / a;
        } else if (mode == RenderMode::Mode3D) {
            sx = sy = a / canvasAspect;
        } else {
            sy = a / canvasAspect;
        }
    }

    const ModeMatrixTriple& m = Matrices(mode);
    const glm::mat4 scale = glm::scale(glm::mat4(1.0f), glm::vec3(sx, sy, 1.0f));
    const glm::mat4 wvp = scale * m.projection * m.view * m.world;
    currentEffect->SetMatrix("g_mWorldViewProjection", &wvp[0][0]);
    currentEffect->SetMatrix("g_mWorld", &m.world[0][0]);

    if (currentColour) {
        const glm::vec4 colour = UnpackColour(PackColour(*currentColour));
        currentEffect->SetValue("g_MaterialDiffuseColor", &colour[0], sizeof(colour));
        currentEffect->SetValue("g_MaterialAmbientColor", &colour[0], sizeof(colour));
    }
    currentEffect->CommitChanges();
}
