// Every named resource of one presentation (effects, textures, render targets, models): reads the
// script's `resources` blocks, creates everything in one pass once the device exists, and finds
// resources by name (case-insensitive, first declared wins). Declarations of the same effect file
// share one compile (each with values of its own), and of the same image file one texture. What the
// presentation before it made on the same device from files that still hold the same bytes is taken
// over rather than made again (live reload). Destroying it releases every device object its
// resources made and no later presentation took.
#pragma once

#include "Base/FileContent.h"
#include "Base/Log.h"

#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

class CGraphicsDevice;
class CMemoryBudget;
class CTokeniser;
class CResourceShader;
class CResourceTexture;
class CResourceTextureImage;
class CResourceTextureRenderTarget;
class CResourceModel;
class CEffect;
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
    // The built-in shaders, then shaders, textures and models, in that order, on `device`. Given the
    // resources of an earlier presentation made on the same device (`before`), each compiled effect,
    // decoded image and loaded model that this one would make again from the same file bytes is taken
    // from it instead, and each render target of the same edge: shared, not borrowed, so `before`
    // need only live until this returns and may go on drawing until it goes (a reload that fails
    // keeps it), and charged to this budget as if made here. What none takes goes with `before`.
    bool CreateAllResources(CGraphicsDevice& device, const CResourceManager* before = nullptr);

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

    // The presentation's memory budget, which every resource is charged to as it is created (and the
    // layers created with these resources); null: nothing is counted.
    void SetBudget(CMemoryBudget* memory) { budget = memory; }
    CMemoryBudget* Budget() const { return budget; }

    // The edge of a full-size render target (the screen's render-target size); halves and quarters
    // follow from it. Read when the targets are created.
    void SetRenderTargetSize(int edge) { renderTargetSize = edge; }
    // Whether a resource that cannot be created is skipped (the start goes on without it) instead of
    // stopping the start. A spent budget stops it all the same.
    void SetIgnoreErrors(bool ignore) { ignoreErrors = ignore; }

private:
    // How many of each kind CreateAllResources took from the presentation before (for the log).
    struct Reused {
        int effects = 0;
        int images = 0;
        int models = 0;
        int renderTargets = 0;
    };
    // What one effect file compiled to (null when it failed), from which bytes, kept charged for how much.
    struct CompiledEffect {
        std::shared_ptr<CEffect> effect;
        FileContent content;
        int64_t charged = 0;
    };

    bool CreateEach(CGraphicsDevice& device);
    bool DeclareBuiltInShader(const char* name);
    bool CreateShader(ResourceEntry<CResourceShader>& entry, CGraphicsDevice& device);
    bool CreateTexture(ResourceEntry<CResourceTexture>& entry, CGraphicsDevice& device);
    // A render target of that edge the presentation before made and none here has taken yet, or null.
    const CResourceTextureRenderTarget* TakeRenderTarget(int edge);
    // Whether a failed creation stops the start: always when the budget is spent.
    bool Stops() const;

    std::vector<ResourceEntry<CResourceShader>> shaders;
    std::vector<ResourceEntry<CResourceTexture>> textures;
    std::vector<ResourceEntry<CResourceModel>> models;

    // Each list's entries by NameKey, so that a script of many names is read in linear time.
    std::unordered_map<std::string, CResourceShader*> shaderNames;
    std::unordered_map<std::string, CResourceTexture*> textureNames;
    // Render targets are also in the textures list, which owns them; this index only finds them.
    std::unordered_map<std::string, CResourceTextureRenderTarget*> renderTargetNames;
    std::unordered_map<std::string, CResourceModel*> modelNames;

    // Per file name: what the first declaration compiled (null when it failed), and the first image
    // declaration that was created (whether or not that worked).
    std::unordered_map<std::string, CompiledEffect> effectsByFile;
    std::unordered_map<std::string, const CResourceTextureImage*> imagesByFile;
    // Per file name: the first model read from it that loaded.
    std::unordered_map<std::string, const CResourceModel*> modelsByFile;
    // Per file name whose first creation failed: what it logged, which every later declaration of
    // the file logs again as its own.
    std::unordered_map<std::string, std::vector<LoggedLine>> effectFailures, imageFailures;

    CMemoryBudget* budget = nullptr;
    int renderTargetSize = 1024;
    bool ignoreErrors = false;

    // The device the resources were made on; while CreateAllResources runs, the presentation before
    // whose resources it may take, with the render targets taken from it so far.
    const CGraphicsDevice* createdOn = nullptr;
    const CResourceManager* offered = nullptr;
    std::unordered_set<const CResourceTextureRenderTarget*> takenTargets;
    Reused reused;
};
