#include "Base/CMemoryBudget.h"
#include "Base/Log.h"
#include "Platform/CGraphicsDevice.h"
#include "Render/CRenderState.h"
#include "Resources/CResourceTexture.h"

bool CResourceTextureRenderTarget::Create(CGraphicsDevice& device, CMemoryBudget* budget, const std::string& name) {
    const int edge = Edge();
    if (budget && edge > 0 && !budget->Charge(CMemoryBudget::RenderTargetBytes(edge), "render target", name))
        return false;
    std::unique_ptr<CTexture> created;
    if (edge > 0)
        created = device.CreateRenderTarget(edge);
    if (!created) {
        LOG("CResourceTextureRenderTarget::Create", "Failed to create render target texture!");
        return false;
    }
    texture = std::move(created);
    charged = CMemoryBudget::RenderTargetBytes(edge);
    // The extent of the 2D canvas, so that an image layer at scale 1 covers it exactly.
    width = CanvasWidth;
    height = CanvasHeight;
    return true;
}

bool CResourceTextureRenderTarget::TakeOver(const CResourceTextureRenderTarget& made, CMemoryBudget* budget,
                                            const std::string& name) {
    if (!made.texture || made.Edge() != Edge())
        return false;
    if (budget && !budget->Charge(made.charged, "render target", name))
        return false;
    texture = made.texture;
    charged = made.charged;
    width = made.width;
    height = made.height;
    return true;
}

void CResourceTextureRenderTarget::BindToFrameBuffer(CRenderState& state, CResourceTextureRenderTarget* target) {
    CGraphicsDevice* device = &state.device;
    device->EndScene();
    // A render target that was never created (IgnoreResourceErrors) leaves the back buffer bound.
    CTexture* colour = target ? target->GetTexture() : nullptr;
    if (!colour || !device->SetColourTarget(colour)) {
        LOG("CResourceTextureRenderTarget::BindToFrameBuffer", "Failed to bind render target");
        device->BeginScene();
        return;
    }
    device->BeginScene();
    state.renderTargetBound = true;
}

void CResourceTextureRenderTarget::UnbindFromFrameBuffer(CRenderState& state) {
    CGraphicsDevice* device = &state.device;
    device->EndScene();
    if (!device->SetColourTarget(nullptr))
        LOG("CResourceTextureRenderTarget::UnbindFromFrameBuffer", "Failed to unbind render target");
    device->BeginScene();
    state.renderTargetBound = false;
}
