#include "CRenderState.h"
#include "Log.h"
#include "Platform/CGraphicsDevice.h"
#include "Resources/CResourceTexture.h"
#include "System/CSettings.h"

bool CResourceTextureRenderTarget::Create() {
    const int edge = Settings.renderTargetSize >> static_cast<int>(size);
    CGraphicsDevice* device = GetGraphicsDevice();
    std::unique_ptr<CTexture> created;
    if (device && edge > 0)
        created = device->CreateRenderTarget(edge);
    if (!created) {
        LOG("CResourceTextureRenderTarget::Create", "Failed to create render target texture!");
        return false;
    }
    texture = std::move(created);
    // The extent of the 2D canvas, so that an image layer at scale 1 covers it exactly.
    width = CanvasWidth;
    height = CanvasHeight;
    return true;
}

void CResourceTextureRenderTarget::BindToFrameBuffer(CResourceTextureRenderTarget* target) {
    CGraphicsDevice* device = GetGraphicsDevice();
    if (!device)
        return;
    device->EndScene();
    // A render target that was never created (IgnoreResourceErrors) leaves the back buffer bound.
    CTexture* colour = target ? target->GetTexture() : nullptr;
    if (!colour || !device->SetColourTarget(colour)) {
        LOG("CResourceTextureRenderTarget::BindToFrameBuffer", "Failed to bind render target");
        device->BeginScene();
        return;
    }
    device->BeginScene();
    renderTargetBound = true;
}

void CResourceTextureRenderTarget::UnbindFromFrameBuffer() {
    CGraphicsDevice* device = GetGraphicsDevice();
    if (!device)
        return;
    device->EndScene();
    if (!device->SetColourTarget(nullptr))
        LOG("CResourceTextureRenderTarget::UnbindFromFrameBuffer", "Failed to unbind render target");
    device->BeginScene();
    renderTargetBound = false;
}
