// A triangle mesh scene read from the system's own line-based model format: materials, objects
// (each drawn with one material), lights and cameras. Objects are expanded into one vertex buffer
// each and drawn as triangle lists inside an effect pass.
#pragma once

#include "Base/FileContent.h"

#include <glm/vec2.hpp>
#include <glm/vec3.hpp>
#include <glm/vec4.hpp>

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class CGraphicsDevice;
class CMemoryBudget;
class CRenderState;
class CVertexBuffer;
class CResourceTexture;

// How the model reader finds the texture a material names: an existing texture resource by that name,
// or, when there is none, one created from "<name>.bmp" under that name.
struct ModelTextureResolver {
    std::function<CResourceTexture*(const std::string& name)> find;
    std::function<CResourceTexture*(const std::string& name, const std::string& fileName)> create;
};

struct ModelMaterial {
    int type = 0; // 0 StandardMaterial, 1 unsupported
    glm::vec4 diffuse{0.0f};
    glm::vec4 second{0.0f};
    glm::vec4 third{0.0f};
    float value = 0.0f;
    std::string textureName;             // as the file names it; empty for "nomap"
    CResourceTexture* texture = nullptr; // not owned: the presentation's texture of that name
    bool firstFlag = false;
    bool secondFlag = false;
};

struct ModelObject {
    int materialIndex = 0;
    std::vector<glm::vec3> positions;
    std::vector<glm::vec3> normals;
    std::vector<glm::vec2> texCoords;
    std::vector<std::array<int, 3>> vertexIndices;
    std::vector<std::array<int, 3>> texCoordIndices;
    // Shared with the models that later presentations make from the same bytes.
    std::shared_ptr<CVertexBuffer> vertexBuffer;
};

enum class LightType { Omni = 0, Directional = 1, Spot = 2, Unknown = 3 };

struct ModelLight {
    LightType type = LightType::Unknown;
    glm::vec3 first{0.0f};
    glm::vec3 second{0.0f};
    float value = 0.0f;
    glm::vec4 values{0.0f};
};

struct ModelCamera {
    glm::vec3 first{0.0f};
    glm::vec3 second{0.0f};
    float value = 0.0f;
};

// 32 bytes: position, normal, texture coordinate.
struct ModelVertex {
    float x, y, z;
    float nx, ny, nz;
    float u, v;
};

class CResourceModel {
public:
    CResourceModel();
    ~CResourceModel();

    // Faces of all objects together; a model with more is refused.
    static constexpr int MaxFaces = 4 * 1048576;

    // A model loaded before from the same bytes, which may be taken over instead of reading the file
    // again (null: none).
    using MadeBefore = std::function<const CResourceModel*(const FileContent& content)>;

    // Reads the model file through the data paths, parses it and makes its vertex buffers on `device`.
    // With a budget, what the model keeps is charged there under `name` before it is stored. Where
    // `madeBefore` finds a model of the bytes read, that one is taken over instead (TakeOver).
    bool LoadModel(const std::string& file, const ModelTextureResolver& textures, CGraphicsDevice& device,
                   CMemoryBudget* budget = nullptr, const std::string& name = {}, const MadeBefore& madeBefore = {});
    // Becomes a model of what `made` read, charged as if read: its vertex buffers are shared, the rest
    // copied, and each material's texture is found (or made) anew through `textures`, as parsing
    // finds it. False when the budget refuses it.
    bool TakeOver(const CResourceModel& made, const ModelTextureResolver& textures, CMemoryBudget* budget = nullptr,
                  const std::string& name = {});
    // Parses a model file's bytes; `file` names it in messages. Nothing is kept on failure but what
    // was read before it.
    bool Parse(const uint8_t* bytes, size_t size, const std::string& file, const ModelTextureResolver& textures,
               CMemoryBudget* budget = nullptr, const std::string& name = {});
    // False when the budget refuses a buffer; an object whose buffer the device cannot make is skipped.
    bool CreateVertexBuffers(CGraphicsDevice& device, CMemoryBudget* budget = nullptr, const std::string& name = {});
    // Draws every object inside the caller's open effect pass, with the caller's world matrix.
    void Render(CRenderState& state);

    std::string fileName;
    std::vector<ModelMaterial> materials;
    std::vector<ModelObject> objects;
    std::vector<ModelLight> lights;
    glm::vec4 lightSectionValues{0.0f};
    std::vector<ModelCamera> cameras;
    // What the file held when it was read, and what the model was charged for what it keeps.
    FileContent content;
    int64_t charged = 0;
};
