// Textures that layers draw with: images read from the data paths and square render targets that
// layers can draw into. Width and height are drawing units (an image's own pixel size; 1920 x 1200
// for a render target).
#pragma once

#include "Base/FileContent.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class CGraphicsDevice;
class CMemoryBudget;
class CRenderState;
class CTexture;
class CTokeniser;

class CResourceTexture {
public:
    // Out of line, so that users of this header need not see the device texture's class.
    CResourceTexture();
    virtual ~CResourceTexture();
    virtual bool LoadFromTokeniser(CTokeniser& tokeniser) = 0;
    // Makes the device texture. With a budget, its memory is charged there under `name` before it is
    // allocated; false (nothing made) when it does not fit.
    virtual bool Create(CGraphicsDevice& device, CMemoryBudget* budget = nullptr, const std::string& name = {}) = 0;

    // The device texture, or null when it was never created.
    CTexture* GetTexture() const { return texture.get(); }

    float width = 0.0f;
    float height = 0.0f;

protected:
    // What making the device texture charged the budget, which a presentation that takes it over
    // charges its own budget again.
    int64_t charged = 0;
    // Shared by the image declarations that name the same file.
    std::shared_ptr<CTexture> texture;
};

class CResourceTextureImage : public CResourceTexture {
public:
    CResourceTextureImage() = default;
    explicit CResourceTextureImage(std::string file) : fileName(std::move(file)) {}

    bool LoadFromTokeniser(CTokeniser& tokeniser) override;
    bool Create(CGraphicsDevice& device, CMemoryBudget* budget = nullptr, const std::string& name = {}) override {
        return CreateImage(device, budget, name);
    }
    // An image made before from the same bytes, whose texture may be taken instead of decoding the
    // file again (null: none).
    using MadeBefore = std::function<const CResourceTextureImage*(const FileContent& content)>;
    // Reads the file and makes the texture: decoded, or taken from what `madeBefore` finds for the
    // bytes read (charged as if decoded).
    bool CreateImage(CGraphicsDevice& device, CMemoryBudget* budget = nullptr, const std::string& name = {},
                     const MadeBefore& madeBefore = {});
    // Takes the texture an earlier declaration of the same file made (nothing is read or decoded);
    // false when that one failed (the manager repeats what its creation logged).
    bool Share(const CResourceTextureImage& created);

    std::string fileName;
    // What the file held when the texture was made from it.
    FileContent content;

private:
    bool Decode(CGraphicsDevice& device, const std::vector<uint8_t>& bytes, CMemoryBudget* budget,
                const std::string& name);
};

enum class RenderTargetSize { Full = 0, Half = 1, Quarter = 2 };

class CResourceTextureRenderTarget : public CResourceTexture {
public:
    explicit CResourceTextureRenderTarget(RenderTargetSize s) : size(s) {}

    bool LoadFromTokeniser(CTokeniser&) override { return true; }
    bool Create(CGraphicsDevice& device, CMemoryBudget* budget = nullptr, const std::string& name = {}) override;
    // Takes over the texture of a target of the same edge that another presentation made, charged
    // as if made (its pixels are drawn again each frame); false when the budget refuses it.
    bool TakeOver(const CResourceTextureRenderTarget& made, CMemoryBudget* budget, const std::string& name);
    // The edge this target is (or would be) made with.
    int Edge() const { return fullEdge >> static_cast<int>(size); }

    // Makes `target` the colour target of the state's device; a target that was never created leaves
    // the back buffer bound (with a log line).
    static void BindToFrameBuffer(CRenderState& state, CResourceTextureRenderTarget* target);
    static void UnbindFromFrameBuffer(CRenderState& state);

    RenderTargetSize size;
    // The edge of a full-size target, which the size halves or quarters (the screen's render-target
    // size; the manager sets it before creating the target).
    int fullEdge = 1024;
};
