#include "Resources/CResourceManager.h"

#include "Base/CMemoryBudget.h"
#include "Base/CTokeniser.h"
#include "Base/DataFile.h"
#include "Base/Log.h"
#include "Base/Names.h"
#include "Base/StopRequest.h"
#include "Resources/CResourceModel.h"
#include "Resources/CResourceShader.h"
#include "Resources/CResourceTexture.h"

namespace {

template <class T> T* FindIn(const std::unordered_map<std::string, T*>& names, const std::string& name) {
    auto found = names.find(NameKey(name));
    return found == names.end() ? nullptr : found->second;
}

// Keeps the first declaration of a name: later ones are refused before they get here.
template <class T> void Index(std::unordered_map<std::string, T*>& names, const std::string& name, T* resource) {
    names.emplace(NameKey(name), resource);
}

} // namespace

CResourceManager::CResourceManager() = default;
CResourceManager::~CResourceManager() = default;

bool CResourceManager::DeclareBuiltInShader(const char* name) {
    if (FindShader(name))
        return true;
    LOG("CResourceManager::CreateAllResources", "Creating %s shader..", name);
    std::string text = std::string(name) + " \":INTERNAL\" " + name + " {}";
    CMemoryTokeniser tokeniser(text.data(), text.size());
    if (!LoadShaderFromTokeniser(tokeniser)) {
        LOG("CResourceManager::CreateAllResources", "Error creating %s shader!", name);
        return false;
    }
    return true;
}

bool CResourceManager::LoadFromTokeniser(CTokeniser& t) {
    return ReadBlockFromTokeniser(t, TokenType::Word, [&] {
        const char* word = t.GetString();
        if (SameName(word, "Shader"))
            return LoadShaderFromTokeniser(t);
        if (SameName(word, "Texture"))
            return LoadTextureFromTokeniser(t);
        if (SameName(word, "RenderTarget"))
            return LoadRenderTargetFromTokeniser(t);
        if (SameName(word, "Model"))
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
    Index(shaderNames, name, shader.get());
    shaders.push_back({std::move(name), std::move(shader)});
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
    Index(textureNames, name, static_cast<CResourceTexture*>(texture.get()));
    textures.push_back({std::move(name), std::move(texture)});
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
    if (SameName(t.GetString(), "full")) {
        size = RenderTargetSize::Full;
    } else if (SameName(t.GetString(), "half")) {
        size = RenderTargetSize::Half;
    } else if (SameName(t.GetString(), "quarter")) {
        size = RenderTargetSize::Quarter;
    } else {
        LOG("CResourceManager::LoadRenderTargetFromTokeniser", "Unknown render target size '%s' line %d", t.GetString(),
            t.line);
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
    Index(renderTargetNames, name, target.get());
    Index(textureNames, name, static_cast<CResourceTexture*>(target.get()));
    textures.push_back({std::move(name), std::move(target)});
    return true;
}

bool CResourceManager::LoadModelFromTokeniser(CTokeniser& t) {
    if (t.NextToken() != TokenType::Word) {
        LOG("CResourceManager::LoadModelFromTokeniser", "Expecting model resource name but didn't find one on line %d",
            t.line);
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
    Index(modelNames, name, model.get());
    models.push_back({std::move(name), std::move(model)});
    return true;
}

CResourceTexture* CResourceManager::LoadAndCreateTextureImage(const std::string& name, const std::string& fileName,
                                                              CGraphicsDevice& device) {
    LOG("CResourceManager::LoadAndCreateTextureImage", "Adding texture resource '%s'", name.c_str());
    if (FindTexture(name)) {
        LOG("CResourceManager::LoadAndCreateTextureImage", "Resource name already in use!");
        return nullptr;
    }
    auto texture = std::make_unique<CResourceTextureImage>(fileName);
    CResourceTextureImage* created = texture.get();
    Index(textureNames, name, static_cast<CResourceTexture*>(created));
    textures.push_back({name, std::move(texture)});
    return CreateTexture(textures.back(), device) ? created : nullptr;
}

bool CResourceManager::Stops() const { return !ignoreErrors || (budget && budget->Exceeded()); }

namespace {

// Runs `create`, keeping what it logs in `failures[file]` when it fails.
template <class Create>
bool Recording(std::unordered_map<std::string, std::vector<LoggedLine>>& failures, const std::string& file,
               Create&& create) {
    std::vector<LoggedLine> lines;
    std::vector<LoggedLine>* before = SetLogRecorder(&lines);
    const bool created = create();
    SetLogRecorder(before);
    if (before)
        before->insert(before->end(), lines.begin(), lines.end());
    if (!created)
        failures[file] = std::move(lines);
    return created;
}

// A later declaration of a file that failed says what the first said, in the same words.
void Relog(const std::unordered_map<std::string, std::vector<LoggedLine>>& failures, const std::string& file) {
    if (auto found = failures.find(file); found != failures.end())
        for (const LoggedLine& line : found->second)
            Relog(line);
}

} // namespace

bool CResourceManager::CreateShader(ResourceEntry<CResourceShader>& entry, CGraphicsDevice& device) {
    CResourceShader& shader = *entry.resource;
    auto [found, first] = effectsByFile.try_emplace(shader.program);
    CompiledEffect& made = found->second;
    if (first) {
        Recording(effectFailures, shader.program, [&] {
            std::string source;
            if (!CResourceShader::ReadProgram(shader.program, source))
                return false;
            made.content = FileContent::Of(source);
            const CompiledEffect* before = nullptr;
            if (offered) {
                auto earlier = offered->effectsByFile.find(shader.program);
                if (earlier != offered->effectsByFile.end() && earlier->second.effect &&
                    earlier->second.content == made.content)
                    before = &earlier->second;
            }
            if (!before) {
                made.effect =
                    CResourceShader::CompileSource(device, shader.program, source, budget, entry.name, &made.charged);
                return made.effect != nullptr;
            }
            // The same text compiles to the same programs: those are taken as they are.
            if (budget && !budget->Charge(before->charged, "shader", entry.name))
                return false;
            made.effect = before->effect;
            made.charged = before->charged;
            ++reused.effects;
            return true;
        });
    } else if (!made.effect) {
        Relog(effectFailures, shader.program);
    }
    return shader.Use(made.effect);
}

bool CResourceManager::CreateTexture(ResourceEntry<CResourceTexture>& entry, CGraphicsDevice& device) {
    auto* image = dynamic_cast<CResourceTextureImage*>(entry.resource.get());
    if (!image) {
        auto* target = dynamic_cast<CResourceTextureRenderTarget*>(entry.resource.get());
        if (target) {
            target->fullEdge = renderTargetSize;
            if (const CResourceTextureRenderTarget* made = TakeRenderTarget(target->Edge())) {
                ++reused.renderTargets;
                return target->TakeOver(*made, budget, entry.name);
            }
        }
        return entry.resource->Create(device, budget, entry.name);
    }
    const std::string key = DataFileKey(image->fileName);
    auto [found, first] = imagesByFile.try_emplace(key, image);
    if (first) {
        CResourceTextureImage::MadeBefore madeBefore;
        if (offered)
            madeBefore = [this, &key](const FileContent& content) -> const CResourceTextureImage* {
                auto earlier = offered->imagesByFile.find(key);
                if (earlier == offered->imagesByFile.end() || !earlier->second->GetTexture() ||
                    earlier->second->content != content)
                    return nullptr;
                ++reused.images;
                return earlier->second;
            };
        return Recording(imageFailures, key,
                         [&] { return image->CreateImage(device, budget, entry.name, madeBefore); });
    }
    if (!found->second->GetTexture()) {
        Relog(imageFailures, key);
        return false;
    }
    return image->Share(*found->second);
}

const CResourceTextureRenderTarget* CResourceManager::TakeRenderTarget(int edge) {
    if (!offered)
        return nullptr;
    for (const ResourceEntry<CResourceTexture>& entry : offered->textures) {
        const auto* made = dynamic_cast<const CResourceTextureRenderTarget*>(entry.resource.get());
        if (made && made->GetTexture() && made->Edge() == edge && takenTargets.insert(made).second)
            return made;
    }
    return nullptr;
}

bool CResourceManager::CreateAllResources(CGraphicsDevice& target, const CResourceManager* before) {
    createdOn = &target;
    // Device objects belong to the device that made them.
    offered = before && before != this && before->createdOn == &target ? before : nullptr;
    reused = Reused();
    const bool created = CreateEach(target);
    if (created && offered)
        LOG("CResourceManager::CreateAllResources",
            "Reused %d effect(s), %d image(s), %d model(s) and %d render target(s) unchanged since the last load",
            reused.effects, reused.images, reused.models, reused.renderTargets);
    offered = nullptr;
    takenTargets.clear();
    return created;
}

bool CResourceManager::CreateEach(CGraphicsDevice& target) {
    if (!DeclareBuiltInShader("DefaultTextured") || !DeclareBuiltInShader("DefaultNonTextured"))
        return false;

    LOG("CResourceManager::CreateAllResources", "Creating %d resources..", CountResources());

    // A stop request (SIGINT, SIGTERM) ends the step between two resources, unlogged: the caller says why.
    for (ResourceEntry<CResourceShader>& entry : shaders) {
        if (StopRequested())
            return false;
        if (!CreateShader(entry, target) && Stops()) {
            LOG("CResourceManager::CreateAllResources", "Failed to create all shader resources!");
            return false;
        }
    }
    // Models add the textures they name while they load, and create those on the spot; only the
    // textures declared before this step are visited here.
    const size_t declaredTextures = textures.size();
    for (size_t i = 0; i < declaredTextures; ++i) {
        if (StopRequested())
            return false;
        if (!CreateTexture(textures[i], target) && Stops()) {
            if (!StopRequested()) // a decoding the request ended is no fault of the file
                LOG("CResourceManager::CreateAllResources", "Failed to create all texture resources!");
            return false;
        }
    }
    for (ResourceEntry<CResourceModel>& entry : models) {
        CResourceModel& model = *entry.resource;
        if (StopRequested())
            return false;
        const std::string key = DataFileKey(model.fileName);
        CResourceModel::MadeBefore madeBefore;
        if (offered)
            madeBefore = [this, &key](const FileContent& content) -> const CResourceModel* {
                auto earlier = offered->modelsByFile.find(key);
                if (earlier == offered->modelsByFile.end() || earlier->second->content != content)
                    return nullptr;
                ++reused.models;
                return earlier->second;
            };
        if (model.LoadModel(model.fileName, ModelTextures(target), target, budget, entry.name, madeBefore)) {
            modelsByFile.try_emplace(key, &model);
        } else if (Stops()) {
            if (!StopRequested()) // a decoding the request ended is no fault of the file
                LOG("CResourceManager::CreateAllResources", "Failed to create all model resources!");
            return false;
        }
    }
    LOG("CResourceManager::CreateAllResources", "Created resources successfully!");
    return true;
}

ModelTextureResolver CResourceManager::ModelTextures(CGraphicsDevice& device) {
    return ModelTextureResolver{[this](const std::string& name) { return FindTexture(name); },
                                [this, &device](const std::string& name, const std::string& file) {
                                    return LoadAndCreateTextureImage(name, file, device);
                                }};
}

int CResourceManager::CountResources() const {
    return static_cast<int>(shaders.size() + textures.size() + models.size());
}

CResourceShader* CResourceManager::FindShader(const std::string& name) const { return FindIn(shaderNames, name); }

CResourceTexture* CResourceManager::FindTexture(const std::string& name) const { return FindIn(textureNames, name); }

CResourceTextureRenderTarget* CResourceManager::FindRenderTarget(const std::string& name) const {
    return FindIn(renderTargetNames, name);
}

CResourceModel* CResourceManager::FindModel(const std::string& name) const { return FindIn(modelNames, name); }
