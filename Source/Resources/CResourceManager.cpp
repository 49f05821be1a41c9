#include "Resources/CResourceManager.h"

#include "CommandLine.h"
#include "Log.h"
#include "Resources/CResourceModel.h"
#include "Resources/CResourceShader.h"
#include "Resources/CResourceTexture.h"
#include "System/CTokeniser.h"

#include <cstring>
#include <strings.h>

namespace {

// Render targets are also in the textures list, which owns them; this list only finds them.
struct RenderTargetEntry {
    std::string name;
    CResourceTextureRenderTarget* target;
};

struct Registries {
    std::vector<ResourceEntry<CResourceShader>> shaders;
    std::vector<ResourceEntry<CResourceTexture>> textures;
    std::vector<RenderTargetEntry> renderTargets;
    std::vector<ResourceEntry<CResourceModel>> models;
    // Changes whenever an entry is added or the lists are emptied, so remembered lookups expire.
    uint64_t generation = 1;
};

Registries& Lists() {
    static Registries registries;
    return registries;
}

bool SameName(const std::string& a, const std::string& b) { return strcasecmp(a.c_str(), b.c_str()) == 0; }

// Layers look a resource up every frame by the text of a string parameter, and that text lives at one
// address for the whole run. This table remembers the answer of the last scan per address. A slot
// answers only while the registries are unchanged and it holds the very same text, so a hit returns
// exactly what the scan would have; everything else scans as before.
template <class T> class LookupMemo {
public:
    template <class Scan> T* Find(const std::string& name, uint64_t generation, Scan scan) {
        if (name.size() > sizeof(Slot::text))
            return scan(name);
        Slot& slot = slots[(reinterpret_cast<uintptr_t>(&name) * 0x9E3779B97F4A7C15ull) >> (64 - SlotBits)];
        if (slot.key == &name && slot.generation == generation && slot.size == name.size() &&
            std::memcmp(slot.text, name.data(), name.size()) == 0)
            return slot.result;
        slot.result = scan(name);
        slot.key = &name;
        slot.generation = generation;
        slot.size = name.size();
        std::memcpy(slot.text, name.data(), name.size());
        return slot.result;
    }

private:
    static constexpr int SlotBits = 6;
    struct Slot {
        const std::string* key = nullptr;
        uint64_t generation = 0;
        size_t size = 0;
        char text[48];
        T* result = nullptr;
    };
    Slot slots[1 << SlotBits];
};

template <class T> T* FindIn(const std::vector<ResourceEntry<T>>& list, const std::string& name) {
    for (const ResourceEntry<T>& entry : list) {
        if (SameName(entry.name, name))
            return entry.resource.get();
    }
    return nullptr;
}

template <class T> T* FindRemembered(const std::vector<ResourceEntry<T>>& list, const std::string& name) {
    static LookupMemo<T> memo;
    return memo.Find(name, Lists().generation, [&](const std::string& n) { return FindIn(list, n); });
}

bool DeclareBuiltInShader(const char* name) {
    if (FindShader(name))
        return true;
    LOG("CResourceManager::CreateAllResources", "Creating %s shader..", name);
    std::string text = std::string(name) + " \":INTERNAL\" " + name + " {}";
    CMemoryTokeniser tokeniser(text.data(), text.size());
    if (!CResourceManager::LoadShaderFromTokeniser(tokeniser)) {
        LOG("CResourceManager::CreateAllResources", "Error creating %s shader!", name);
        return false;
    }
    return true;
}

} // namespace

bool CResourceManager::LoadFromTokeniser(CTokeniser& t) {
    return ReadBlockFromTokeniser(t, TokenType::Word, [&] {
        const char* word = t.GetString();
        if (strcasecmp(word, "Shader") == 0)
            return LoadShaderFromTokeniser(t);
        if (strcasecmp(word, "Texture") == 0)
            return LoadTextureFromTokeniser(t);
        if (strcasecmp(word, "RenderTarget") == 0)
            return LoadRenderTargetFromTokeniser(t);
        if (strcasecmp(word, "Model") == 0)
            return LoadModelFromTokeniser(t);
        return false;
    });
}

bool CResourceManager::LoadShaderFromTokeniser(CTokeniser& t) {
    if (t.NextToken() != TokenType::Word) {
        LOG("CResourceManager::LoadShaderFromTokeniser",
            "Expecting shader resource name but didn't find one on line %d", t.line);
        return false;
    }
    std::string name = t.GetString();
    LOG("CResourceManager::LoadShaderFromTokeniser", "Adding shader resource '%s'", name.c_str());
    if (FindShader(name)) {
        LOG("CResourceManager::LoadShaderFromTokeniser", "Resource name already in use!");
        return false;
    }
    auto shader = std::make_unique<CResourceShader>();
    if (!shader->LoadFromTokeniser(t)) {
        LOG("CResourceManager::LoadShaderFromTokeniser", "Failed to create shader resource '%s'!", name.c_str());
        return false;
    }
    Lists().shaders.push_back({std::move(name), std::move(shader)});
    ++Lists().generation;
    return true;
}

bool CResourceManager::LoadTextureFromTokeniser(CTokeniser& t) {
    if (t.NextToken() != TokenType::Word) {
        LOG("CResourceManager::LoadTextureFromTokeniser",
            "Expecting texture resource name but didn't find one on line %d", t.line);
        return false;
    }
    std::string name = t.GetString();
    LOG("CResourceManager::LoadTextureFromTokeniser", "Adding texture resource '%s'", name.c_str());
    if (FindTexture(name)) {
        LOG("CResourceManager::LoadTextureFromTokeniser", "Resource name already in use!");
        return false;
    }
    auto texture = std::make_unique<CResourceTextureImage>();
    if (!texture->LoadFromTokeniser(t)) {
        LOG("CResourceManager::LoadTextureFromTokeniser", "Failed to create texture image resource '%s'!",
            name.c_str());
        return false;
    }
    Lists().textures.push_back({std::move(name), std::move(texture)});
    ++Lists().generation;
    return true;
}

bool CResourceManager::LoadRenderTargetFromTokeniser(CTokeniser& t) {
    if (t.NextToken() != TokenType::Word) {
        LOG("CResourceManager::LoadRenderTargetFromTokeniser",
            "Expecting render target resource name but didn't find one on line %d", t.line);
        return false;
    }
    std::string name = t.GetString();
    LOG("CResourceManager::LoadRenderTargetFromTokeniser", "Adding render target resource '%s'", name.c_str());
    if (t.NextToken() != TokenType::Word) {
        LOG("CResourceManager::LoadRenderTargetFromTokeniser",
            "Expecting render target size but didn't find one on line %d", t.line);
        return false;
    }
    RenderTargetSize size;
    if (strcasecmp(t.GetString(), "full") == 0) {
        size = RenderTargetSize::Full;
    } else if (strcasecmp(t.GetString(), "half") == 0) {
        size = RenderTargetSize::Half;
    } else if (strcasecmp(t.GetString(), "quarter") == 0) {
        size = RenderTargetSize::Quarter;
    } else {
        LOG("CResourceManager::LoadRenderTargetFromTokeniser", "Unknown render target size '%s' line %d",
            t.GetString(), t.line);
        return false;
    }
    if (FindTexture(name)) {
        LOG("CResourceManager::LoadRenderTargetFromTokeniser", "Resource name already in use!");
        return false;
    }
    auto target = std::make_unique<CResourceTextureRenderTarget>(size);
    if (!target->LoadFromTokeniser(t)) {
        LOG("CResourceManager::LoadRenderTargetFromTokeniser", "Failed to create render target resource '%s'!",
            name.c_str());
        return false;
    }
    Registries& lists = Lists();
    lists.renderTargets.push_back({name, target.get()});
    lists.textures.push_back({std::move(name), std::move(target)});
    ++lists.generation;
    return true;
}

bool CResourceManager::LoadModelFromTokeniser(CTokeniser& t) {
    if (t.NextToken() != TokenType::Word) {
        LOG("CResourceManager::LoadModelFromTokeniser",
            "Expecting model resource name but didn't find one on line %d", t.line);
        return false;
    }
    std::string name = t.GetString();
    LOG("CResourceManager::LoadModelFromTokeniser", "Adding model resource '%s'", name.c_str());
    if (FindModel(name)) {
        LOG("CResourceManager::LoadModelFromTokeniser", "Resource name already in use!");
        return false;
    }
    if (t.NextToken() != TokenType::Word) {
        LOG("CResourceManager::LoadModelFromTokeniser", "Failed to create model resource '%s'!", name.c_str());
        return false;
    }
    auto model = std::make_unique<CResourceModel>();
    model->fileName = t.GetString();
    Lists().models.push_back({std::move(name), std::move(model)});
    ++Lists().generation;
    return true;
}

CResourceTexture* CResourceManager::LoadAndCreateTextureImage(const std::string& name, const std::string& fileName) {
    LOG("CResourceManager::LoadAndCreateTextureImage", "Adding texture resource '%s'", name.c_str());
    if (FindTexture(name)) {
        LOG("CResourceManager::LoadAndCreateTextureImage", "Resource name already in use!");
        return nullptr;
    }
    auto texture = std::make_unique<CResourceTextureImage>(fileName);
    CResourceTextureImage* created = texture.get();
    Lists().textures.push_back({name, std::move(texture)});
    ++Lists().generation;
    return created->Create() ? created : nullptr;
}

bool CResourceManager::CreateAllResources() {
    if (!DeclareBuiltInShader("DefaultTextured") || !DeclareBuiltInShader("DefaultNonTextured"))
        return false;

    Registries& lists = Lists();
    LOG("CResourceManager::CreateAllResources", "Creating %d resources..", CountResources());
    const bool ignoreErrors = Options.IgnoreResourceErrors;

    for (ResourceEntry<CResourceShader>& entry : lists.shaders) {
        if (!entry.resource->Create() && !ignoreErrors) {
            LOG("CResourceManager::CreateAllResources", "Failed to create all shader resources!");
            return false;
        }
    }
    // Models add the textures they name while they load, and create those on the spot; only the
    // textures declared before this step are visited here.
    const size_t declaredTextures = lists.textures.size();
    for (size_t i = 0; i < declaredTextures; ++i) {
        if (!lists.textures[i].resource->Create() && !ignoreErrors) {
            LOG("CResourceManager::CreateAllResources", "Failed to create all texture resources!");
            return false;
        }
    }
    for (ResourceEntry<CResourceModel>& entry : lists.models) {
        CResourceModel& model = *entry.resource;
        if (!model.LoadModel(model.fileName) && !ignoreErrors) {
            LOG("CResourceManager::CreateAllResources", "Failed to create all model resources!");
            return false;
        }
    }
    LOG("CResourceManager::CreateAllResources", "Created resources successfully!");
    return true;
}

void CResourceManager::Clear() {
    Registries& lists = Lists();
    lists.renderTargets.clear();
    lists.models.clear();
    lists.textures.clear();
    lists.shaders.clear();
    ++lists.generation;
}

int CResourceManager::CountResources() {
    const Registries& lists = Lists();
    return static_cast<int>(lists.shaders.size() + lists.textures.size() + lists.models.size());
}

CResourceShader* FindShader(const std::string& name) { return FindRemembered(Lists().shaders, name); }

CResourceTexture* FindTexture(const std::string& name) { return FindRemembered(Lists().textures, name); }

CResourceTextureRenderTarget* FindRenderTarget(const std::string& name) {
    static LookupMemo<CResourceTextureRenderTarget> memo;
    return memo.Find(name, Lists().generation, [](const std::string& n) -> CResourceTextureRenderTarget* {
        for (const RenderTargetEntry& entry : Lists().renderTargets) {
            if (SameName(entry.name, n))
                return entry.target;
        }
        return nullptr;
    });
}

CResourceModel* FindModel(const std::string& name) { return FindRemembered(Lists().models, name); }
