// Every named resource of one presentation (effects, textures, render targets, models): reads the
// script's `resources` blocks, creates everything in one pass once the device exists, and finds
// resources by name (case-insensitive, first declared wins). Destroying it releases every device
// object its resources made.
#pragma once

#include <memory>
#include <string>
#include <vector>

class CGraphicsDevice;
class CTokeniser;
class CResourceShader;
class CResourceTexture;
class CResourceTextureImage;
class CResourceTextureRenderTarget;
class CResourceModel;
struct ModelTextureResolver;

template <class T> struct ResourceEntry {
    std::string name;
    std::unique_ptr<T> resource;
};

class CResourceManager {
public:
    CResourceManager();
    ~CResourceManager();
    CResourceManager(const CResourceManager&) = delete;
    CResourceManager& operator=(const CResourceManager&) = delete;

    bool LoadFromTokeniser(CTokeniser& tokeniser);
    bool LoadShaderFromTokeniser(CTokeniser& tokeniser);
    bool LoadTextureFromTokeniser(CTokeniser& tokeniser);
    bool LoadRenderTargetFromTokeniser(CTokeniser& tokeniser);
    bool LoadModelFromTokeniser(CTokeniser& tokeniser);
    // Declares a texture image and creates it at once on the device (the textures models name).
    CResourceTexture* LoadAndCreateTextureImage(const std::string& name, const std::string& fileName,
                                                CGraphicsDevice& device);
    // The built-in shaders, then shaders, textures and models, in that order, on `device`.
    bool CreateAllResources(CGraphicsDevice& device);

    // Number of shader, texture and model entries together.
    int CountResources() const;

    CResourceShader* FindShader(const std::string& name) const;
    CResourceTexture* FindTexture(const std::string& name) const;
    CResourceTextureRenderTarget* FindRenderTarget(const std::string& name) const;
    CResourceModel* FindModel(const std::string& name) const;

    const std::vector<ResourceEntry<CResourceShader>>& Shaders() const { return shaders; }
    const std::vector<ResourceEntry<CResourceTexture>>& Textures() const { return textures; }
    const std::vector<ResourceEntry<CResourceModel>>& Models() const { return models; }

    // Finds the textures a model's materials name, creating those that are missing on `device`.
    ModelTextureResolver ModelTextures(CGraphicsDevice& device);

private:
    bool DeclareBuiltInShader(const char* name);

    // Render targets are also in the textures list, which owns them; this list only finds them.
    struct RenderTargetEntry {
        std::string name;
        CResourceTextureRenderTarget* target;
    };

    std::vector<ResourceEntry<CResourceShader>> shaders;
    std::vector<ResourceEntry<CResourceTexture>> textures;
    std::vector<RenderTargetEntry> renderTargets;
    std::vector<ResourceEntry<CResourceModel>> models;
};
