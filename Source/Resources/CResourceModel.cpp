#include "Resources/CResourceModel.h"

#include "Base/CMemoryBudget.h"
#include "Base/ChargeWhileHeld.h"
#include "Base/DataFile.h"
#include "Base/Log.h"
#include "Base/Names.h"
#include "Base/StopRequest.h"
#include "Platform/CGraphicsDevice.h"
#include "Render/CRenderState.h"
#include "Resources/CResourceTexture.h"

#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr size_t LineBytes = 1024; // a line holds at most 1,023 characters
constexpr size_t MaxWordLength = 255;
// Sane limits, checked before anything is stored, so that a hostile count cannot exhaust memory.
constexpr int MaxSectionCount = 65536;         // materials, objects, lights, cameras
constexpr int MaxObjectElements = 4 * 1048576; // vertices, texture coordinates, faces of one object
constexpr uint32_t ModelVertexFormat = VertexPosition | VertexNormal | VertexTex1;

static_assert(sizeof(ModelVertex) == 32, "ModelVertex must stay 32 bytes");

// The model file, read in chunks and split into lines; a line ends at a line feed and carriage
// returns are dropped wherever they occur, so LF and CR LF files read the same.
class ModelReader {
public:
    ModelReader(const uint8_t* bytes, size_t size, const std::string& name, CMemoryBudget* budget,
                const std::string& resource, int64_t& charged)
        : charged(charged), bytes(bytes), size(size), fileName(name), budget(budget), resource(resource) {}

    // Charges what `count` elements of `each` bytes will take, before they are stored.
    bool Charge(int count, int64_t each) {
        if (budget && !budget->Charge(count * each, "model", resource))
            return false;
        charged += count * each;
        return true;
    }

    // Reads the next line into `line`; false (logged) at the end of the file or on a line too long.
    bool ReadModelLine(const char* expecting) {
        // Millions of lines take seconds: a stop request ends the reading, unlogged (the caller says why).
        if (lineNumber % 4096 == 0 && StopRequested())
            return false;
        size_t length = 0;
        bool any = false;
        for (;;) {
            int c = Next();
            if (c < 0) {
                if (!any) {
                    Fail(lineNumber + 1, "the file ends where %s is expected", expecting);
                    return false;
                }
                break; // a last line without a line feed still counts
            }
            any = true;
            if (c == '\n')
                break;
            if (c == '\r')
                continue;
            if (c == 0 || length + 1 >= LineBytes) {
                Fail(lineNumber + 1, c == 0 ? "the line holds a zero byte" : "the line is longer than %d characters",
                     static_cast<int>(LineBytes - 1));
                return false;
            }
            line[length++] = static_cast<char>(c);
        }
        line[length] = 0;
        ++lineNumber;
        cursor = line;
        return true;
    }

    bool ReadInt(int& value, const char* what) {
        SkipBlanks();
        const char* start = cursor;
        const char* p = cursor;
        if (*p == '+' || *p == '-')
            ++p;
        const char* digits = p;
        while (*p >= '0' && *p <= '9')
            ++p;
        if (p == digits)
            return Fail(lineNumber, "expecting %s", what);
        long long parsed = 0;
        const char* from = *start == '+' ? start + 1 : start;
        auto [end, error] = std::from_chars(from, p, parsed);
        if (error != std::errc() || end != p || parsed < INT32_MIN || parsed > INT32_MAX)
            return Fail(lineNumber, "%s is out of range", what);
        value = static_cast<int>(parsed);
        cursor = p;
        return true;
    }

    bool ReadFloat(float& value, const char* what) {
        SkipBlanks();
        const char* p = cursor;
        bool negative = false;
        if (*p == '+' || *p == '-')
            negative = *p++ == '-';
        const char* mantissa = p;
        size_t digits = 0;
        while (*p >= '0' && *p <= '9')
            ++p, ++digits;
        if (*p == '.') {
            ++p;
            while (*p >= '0' && *p <= '9')
                ++p, ++digits;
        }
        if (digits == 0)
            return Fail(lineNumber, "expecting %s", what);
        if (*p == 'e' || *p == 'E') {
            const char* e = p + 1;
            if (*e == '+' || *e == '-')
                ++e;
            if (*e >= '0' && *e <= '9') {
                while (*e >= '0' && *e <= '9')
                    ++e;
                p = e;
            }
        }
        // from_chars takes no leading '+' and no lone trailing '.', so hand it a tidied copy.
        char text[128];
        size_t length = static_cast<size_t>(p - mantissa);
        if (length >= sizeof text)
            return Fail(lineNumber, "%s is out of range", what);
        std::memcpy(text, mantissa, length);
        text[length] = 0;
        float parsed = 0.0f;
        auto [end, error] = std::from_chars(text, text + length, parsed);
        if (error == std::errc::result_out_of_range && end == text + length) {
            // Below the float range a value reads as the nearest float (zero or a denormal), as a C
            // scanner reads it; only values above the range are refused.
            const double wide = std::strtod(text, nullptr);
            if (!(std::fabs(wide) <= static_cast<double>(FLT_MAX)))
                return Fail(lineNumber, "%s is out of range", what);
            parsed = static_cast<float>(wide);
        } else if (error != std::errc() || end != text + length) {
            return Fail(lineNumber, "%s is out of range", what);
        }
        value = negative ? -parsed : parsed;
        cursor = p;
        return true;
    }

    bool ReadWord(std::string& word, const char* what) {
        SkipBlanks();
        const char* p = cursor;
        while (*p && *p != ' ' && *p != '\t')
            ++p;
        size_t length = static_cast<size_t>(p - cursor);
        if (length == 0)
            return Fail(lineNumber, "expecting %s", what);
        if (length > MaxWordLength)
            return Fail(lineNumber, "%s is longer than %d characters", what, static_cast<int>(MaxWordLength));
        word.assign(cursor, length);
        cursor = p;
        return true;
    }

    bool ReadVec3(glm::vec3& v, const char* what) {
        return ReadFloat(v.x, what) && ReadFloat(v.y, what) && ReadFloat(v.z, what);
    }

    // A count on a line of its own, within 0..limit.
    bool ReadCountLine(int& count, const char* what, int limit) {
        if (!ReadModelLine(what) || !ReadInt(count, what))
            return false;
        if (count < 0 || count > limit)
            return Fail(lineNumber, "%s %d is outside 0..%d", what, count, limit);
        return true;
    }

    bool Fail(int atLine, const char* format, ...) __attribute__((format(QV_PRINTF_FORMAT, 3, 4))) {
        char message[512];
        va_list args;
        va_start(args, format);
        std::vsnprintf(message, sizeof message, format, args);
        va_end(args);
        LOG("CResourceModel::LoadModel", "Malformed model '%s' on line %d: %s", fileName.c_str(), atLine, message);
        return false;
    }

    int lineNumber = 0;
    int faces = 0;    // of the objects read so far
    int64_t& charged; // the model's: what Charge took

private:
    int Next() { return position < size ? bytes[position++] : -1; }

    void SkipBlanks() {
        while (*cursor == ' ' || *cursor == '\t')
            ++cursor;
    }

    const uint8_t* bytes;
    size_t size;
    size_t position = 0;
    const std::string& fileName;
    CMemoryBudget* budget;
    const std::string& resource;
    char line[LineBytes] = {};
    const char* cursor = line;
};

// The presentation's texture a material names, made from "<name>.bmp" where it has none.
CResourceTexture* FindTexture(const ModelTextureResolver& textures, const std::string& name) {
    if (CResourceTexture* found = textures.find ? textures.find(name) : nullptr)
        return found;
    LOG("CResourceModel::LoadModel", "Couldn't find '%s' texture resource. Auto-creating it..", name.c_str());
    return textures.create ? textures.create(name, name + ".bmp") : nullptr;
}

bool ReadMaterial(ModelReader& r, ModelMaterial& m, const ModelTextureResolver& textures) {
    std::string word;
    if (!r.ReadModelLine("a material type") || !r.ReadWord(word, "a material type"))
        return false;
    if (!SameName(word, "StandardMaterial")) {
        m.type = 1;
        LOG("CResourceModel::LoadModel", "Model has an un-supported material type '%s'", word.c_str());
        return true;
    }
    m.type = 0;
    glm::vec3 third(0.0f), diffuse(0.0f), second(0.0f);
    if (!r.ReadModelLine("a colour") || !r.ReadVec3(third, "a colour") || !r.ReadModelLine("a colour") ||
        !r.ReadVec3(diffuse, "a colour") || !r.ReadModelLine("a colour") || !r.ReadVec3(second, "a colour"))
        return false;
    m.third = glm::vec4(third, 1.0f);
    m.diffuse = glm::vec4(diffuse, 1.0f);
    m.second = glm::vec4(second, 1.0f);
    if (!r.ReadModelLine("a material value") || !r.ReadFloat(m.value, "a material value"))
        return false;
    std::string map;
    if (!r.ReadModelLine("a texture name") || !r.ReadWord(map, "a texture name"))
        return false;
    int first = 0, secondFlag = 0;
    if (!r.ReadModelLine("a flag") || !r.ReadInt(first, "a flag") || !r.ReadModelLine("a flag") ||
        !r.ReadInt(secondFlag, "a flag"))
        return false;
    m.firstFlag = first != 0;
    m.secondFlag = secondFlag != 0;

    if (!SameName(map, "nomap")) {
        m.textureName = map;
        m.texture = FindTexture(textures, map);
    }
    return true;
}

bool ReadObject(ModelReader& r, ModelObject& o, int materialCount) {
    if (!r.ReadModelLine("a material index") || !r.ReadInt(o.materialIndex, "a material index"))
        return false;
    if (o.materialIndex < 0 || o.materialIndex >= materialCount)
        return r.Fail(r.lineNumber, "material index %d is outside the %d material(s)", o.materialIndex, materialCount);

    int vertices = 0;
    if (!r.ReadCountLine(vertices, "a vertex count", MaxObjectElements) || !r.Charge(vertices, sizeof(glm::vec3) * 2))
        return false;
    for (int i = 0; i < vertices; ++i) {
        glm::vec3 position, normal;
        if (!r.ReadModelLine("a vertex") || !r.ReadVec3(position, "a vertex position") ||
            !r.ReadVec3(normal, "a vertex normal"))
            return false;
        o.positions.push_back(position);
        o.normals.push_back(normal);
    }

    int texCoords = 0;
    if (!r.ReadCountLine(texCoords, "a texture coordinate count", MaxObjectElements) ||
        !r.Charge(texCoords, sizeof(glm::vec2)))
        return false;
    for (int i = 0; i < texCoords; ++i) {
        glm::vec2 uv;
        if (!r.ReadModelLine("a texture coordinate") || !r.ReadFloat(uv.x, "a texture coordinate") ||
            !r.ReadFloat(uv.y, "a texture coordinate"))
            return false;
        o.texCoords.push_back(uv);
    }

    int faces = 0;
    if (!r.ReadCountLine(faces, "a face count", MaxObjectElements))
        return false;
    if (faces > CResourceModel::MaxFaces - r.faces)
        return r.Fail(r.lineNumber, "the model has more than %d faces in all", CResourceModel::MaxFaces);
    r.faces += faces;
    if (!r.Charge(faces, sizeof(std::array<int, 3>) * 2))
        return false;
    for (int i = 0; i < faces; ++i) {
        std::array<int, 3> v{}, t{};
        if (!r.ReadModelLine("a face"))
            return false;
        for (int& index : v) {
            if (!r.ReadInt(index, "a vertex index"))
                return false;
            if (index < 0 || index >= vertices)
                return r.Fail(r.lineNumber, "vertex index %d is outside the %d vertices", index, vertices);
        }
        for (int& index : t) {
            if (!r.ReadInt(index, "a texture coordinate index"))
                return false;
            if (index < 0 || index >= texCoords)
                return r.Fail(r.lineNumber, "texture coordinate index %d is outside the %d texture coordinates", index,
                              texCoords);
        }
        o.vertexIndices.push_back(v);
        o.texCoordIndices.push_back(t);
    }
    return true;
}

bool ReadLight(ModelReader& r, ModelLight& light) {
    std::string word;
    if (!r.ReadModelLine("a light type") || !r.ReadWord(word, "a light type"))
        return false;
    if (SameName(word, "Omni"))
        light.type = LightType::Omni;
    else if (SameName(word, "Directional"))
        light.type = LightType::Directional;
    else if (SameName(word, "Spot"))
        light.type = LightType::Spot;
    else {
        light.type = LightType::Unknown;
        return true; // an unknown light is one line long
    }
    if (!r.ReadModelLine("a light vector") || !r.ReadVec3(light.first, "a light vector"))
        return false;
    if (light.type == LightType::Spot) {
        if (!r.ReadModelLine("a light vector") || !r.ReadVec3(light.second, "a light vector") ||
            !r.ReadModelLine("a light value") || !r.ReadFloat(light.value, "a light value"))
            return false;
    }
    glm::vec4& v = light.values;
    return r.ReadModelLine("light values") && r.ReadFloat(v.x, "light values") && r.ReadFloat(v.y, "light values") &&
           r.ReadFloat(v.z, "light values") && r.ReadFloat(v.w, "light values");
}

bool ReadCamera(ModelReader& r, ModelCamera& camera) {
    std::string word;
    if (!r.ReadModelLine("a camera type") || !r.ReadWord(word, "a camera type"))
        return false;
    if (!SameName(word, "Fixed")) {
        LOG("CResourceModel::LoadModel", "Unknown camera type '%s'", word.c_str());
        return false;
    }
    return r.ReadModelLine("a camera vector") && r.ReadVec3(camera.first, "a camera vector") &&
           r.ReadModelLine("a camera vector") && r.ReadVec3(camera.second, "a camera vector") &&
           r.ReadModelLine("a camera value") && r.ReadFloat(camera.value, "a camera value");
}

} // namespace

CResourceModel::CResourceModel() = default;
CResourceModel::~CResourceModel() = default;

bool CResourceModel::LoadModel(const std::string& file, const ModelTextureResolver& textures, CGraphicsDevice& device,
                               CMemoryBudget* budget, const std::string& name, const MadeBefore& madeBefore) {
    LOG("CResourceModel::LoadModel", "Loading model from '%s'", file.c_str());
    std::vector<uint8_t> bytes;
    ChargeWhileHeld fileCharge(budget, "model", name);
    const DataFileResult read = ReadDataFile(file, bytes, MaxDataFileBytes, fileCharge.Admit());
    if (read == DataFileResult::Refused)
        return false;
    if (read == DataFileResult::NotFound) {
        LOG("CResourceModel::LoadModel", "Failed to open file");
        return false;
    }
    if (read != DataFileResult::Ok) {
        LOG("CResourceModel::LoadModel", "Failed to read model '%s': %s", file.c_str(), ReadFailureReason(read));
        return false;
    }
    content = FileContent::Of(bytes);
    // Bytes read before make the same model again: that one is taken over, nothing parsed or made.
    if (const CResourceModel* made = madeBefore ? madeBefore(content) : nullptr)
        return TakeOver(*made, textures, budget, name);
    if (!Parse(bytes.data(), bytes.size(), file, textures, budget, name))
        return false;
    return CreateVertexBuffers(device, budget, name);
}

bool CResourceModel::TakeOver(const CResourceModel& made, const ModelTextureResolver& textures, CMemoryBudget* budget,
                              const std::string& name) {
    if (budget && !budget->Charge(made.charged, "model", name))
        return false;
    charged = made.charged;
    content = made.content;
    materials = made.materials;
    for (ModelMaterial& material : materials)
        material.texture = material.textureName.empty() ? nullptr : FindTexture(textures, material.textureName);
    objects = made.objects;
    lights = made.lights;
    lightSectionValues = made.lightSectionValues;
    cameras = made.cameras;
    return true;
}

bool CResourceModel::Parse(const uint8_t* bytes, size_t size, const std::string& file,
                           const ModelTextureResolver& textures, CMemoryBudget* budget, const std::string& name) {
    ModelReader r(bytes, size, file, budget, name, charged);

    int count = 0;
    if (!r.ReadCountLine(count, "a material count", MaxSectionCount))
        return false;
    LOG("CResourceModel::LoadModel", "Found %d material(s)", count);
    for (int i = 0; i < count; ++i) {
        materials.emplace_back();
        if (!ReadMaterial(r, materials.back(), textures))
            return false;
    }

    if (!r.ReadCountLine(count, "an object count", MaxSectionCount))
        return false;
    LOG("CResourceModel::LoadModel", "Found %d object(s)", count);
    for (int i = 0; i < count; ++i) {
        objects.emplace_back();
        if (!ReadObject(r, objects.back(), static_cast<int>(materials.size())))
            return false;
    }

    if (!r.ReadCountLine(count, "a light count", MaxSectionCount))
        return false;
    LOG("CResourceModel::LoadModel", "Found %d light(s)", count);
    glm::vec4& v = lightSectionValues;
    if (!r.ReadModelLine("the light-section values") || !r.ReadFloat(v.x, "the light-section values") ||
        !r.ReadFloat(v.y, "the light-section values") || !r.ReadFloat(v.z, "the light-section values") ||
        !r.ReadFloat(v.w, "the light-section values"))
        return false;
    for (int i = 0; i < count; ++i) {
        lights.emplace_back();
        if (!ReadLight(r, lights.back()))
            return false;
    }

    if (!r.ReadCountLine(count, "a camera count", MaxSectionCount))
        return false;
    LOG("CResourceModel::LoadModel", "Found %d camera(s)", count);
    for (int i = 0; i < count; ++i) {
        cameras.emplace_back();
        if (!ReadCamera(r, cameras.back()))
            return false;
    }

    LOG("CResourceModel::LoadModel", "Model loaded successfully");
    return true;
}

bool CResourceModel::CreateVertexBuffers(CGraphicsDevice& device, CMemoryBudget* budget, const std::string& name) {
    for (ModelObject& o : objects) {
        o.vertexBuffer.reset();
        const size_t faces = o.vertexIndices.size();
        if (faces == 0)
            continue;
        const int64_t bufferBytes = CMemoryBudget::BufferBytes(int64_t(faces) * 3 * sizeof(ModelVertex));
        if (budget && !budget->Charge(bufferBytes, "model", name))
            return false;
        charged += bufferBytes;
        std::unique_ptr<CVertexBuffer> buffer = device.CreateVertexBuffer(faces * 3 * sizeof(ModelVertex));
        if (!buffer || buffer->Size() < faces * 3 * sizeof(ModelVertex))
            continue;
        auto* out = static_cast<ModelVertex*>(buffer->Lock());
        if (!out)
            continue;
        for (size_t f = 0; f < faces; ++f) {
            for (int k = 0; k < 3; ++k) {
                // Indices were checked against their arrays while the file was read.
                const glm::vec3& p = o.positions[o.vertexIndices[f][k]];
                const glm::vec3& n = o.normals[o.vertexIndices[f][k]];
                const glm::vec2& uv = o.texCoords[o.texCoordIndices[f][k]];
                *out++ = ModelVertex{p.x, p.y, p.z, n.x, n.y, n.z, std::fabs(uv.x), std::fabs(uv.y)};
            }
        }
        buffer->Unlock();
        o.vertexBuffer = std::move(buffer);
    }
    return true;
}

void CResourceModel::Render(CRenderState& state) {
    CGraphicsDevice* device = &state.device;
    device->SetVertexFormat(ModelVertexFormat);
    for (ModelObject& o : objects) {
        if (!o.vertexBuffer || o.materialIndex < 0 || o.materialIndex >= static_cast<int>(materials.size()))
            continue;
        const ModelMaterial& material = materials[o.materialIndex];
        state.currentColour = &material.diffuse;
        if (material.texture && material.texture->GetTexture())
            device->SetTexture(0, material.texture->GetTexture());
        state.CommitMatrices();
        device->SetStreamSource(o.vertexBuffer.get(), 0, sizeof(ModelVertex));
        device->DrawPrimitive(PrimitiveType::TriangleList, 0, static_cast<int>(o.vertexIndices.size()));
    }
}
