#include "Layers/Layers2DTestSupport.h"

#include "Base/CTokeniser.h"
#include "Base/DataPaths.h"
#include "Layers/CLayer.h"
#include "Resources/CResourceManager.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wunused-function"
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>
#pragma GCC diagnostic pop

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <system_error>

#include <unistd.h>

namespace {

// One folder per test process: ctest runs tests in parallel processes that write images of the
// same names, and one must never read another's half-written file.
class ScratchFolderOwner {
public:
    ScratchFolderOwner()
        : path(std::string(QV_BINARY_DIR) + "/layers2d-data-" + std::to_string(static_cast<long>(getpid()))) {
        std::filesystem::create_directories(path);
    }
    ~ScratchFolderOwner() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    const std::string path;
};

const std::string& ScratchFolder() {
    static const ScratchFolderOwner owner;
    return owner.path;
}

void MountScratchFolder() {
    DataPaths().Start();
    static bool mounted = false;
    if (!mounted)
        mounted = DataPaths().MountFolder(ScratchFolder());
}

} // namespace

std::vector<DrawRecord> Draws(const CRecordingDevice& device) {
    std::vector<DrawRecord> draws;
    DrawRecord current;
    for (const RecordedCall& call : device.calls) {
        if (call.name == "SetMatrix" && call.text == "g_mWorld" && call.floats.size() == 16) {
            std::memcpy(&current.world[0][0], call.floats.data(), sizeof(float) * 16);
        } else if (call.name == "SetValue" && call.text == "g_MaterialDiffuseColor" && call.floats.size() == 4) {
            current.colour = glm::vec4(call.floats[0], call.floats[1], call.floats[2], call.floats[3]);
        } else if (call.name == "DrawPrimitive" && call.ints.size() == 3) {
            current.type = call.ints[0];
            current.startVertex = call.ints[1];
            current.primitives = call.ints[2];
            draws.push_back(current);
        }
    }
    return draws;
}

glm::vec2 Place(const glm::mat4& world, float x, float y) {
    const glm::vec4 p = world * glm::vec4(x, y, 1.0f, 1.0f);
    return glm::vec2(p.x, p.y);
}

std::string WriteTestImage(const std::string& name, int width, int height, uint32_t rgba) {
    return WriteSplitImage(name, width, height, rgba, rgba);
}

std::string WriteSplitImage(const std::string& name, int width, int height, uint32_t left, uint32_t right) {
    MountScratchFolder();
    std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const uint32_t c = x < width / 2 ? left : right;
            uint8_t* p = &pixels[(static_cast<size_t>(y) * width + x) * 4];
            p[0] = static_cast<uint8_t>(c >> 24);
            p[1] = static_cast<uint8_t>(c >> 16);
            p[2] = static_cast<uint8_t>(c >> 8);
            p[3] = static_cast<uint8_t>(c);
        }
    }
    const std::string file = name + ".png";
    stbi_write_png((ScratchFolder() + "/" + file).c_str(), width, height, 4, pixels.data(), width * 4);
    return file;
}

bool SetParam(CLayer& layer, const std::string& setting) {
    // A script line ends in a line break, which also ends its last token.
    const std::string line = setting + "\n";
    CMemoryTokeniser tokeniser(line.data(), line.size());
    if (tokeniser.NextToken() != TokenType::Word)
        return false;
    const std::string name = tokeniser.GetString();
    return layer.params.SetValueFromTokeniser(tokeniser, name);
}

void LayerDrawingTest::SetUp() {
    state.screen.aspect = 1.6f; // no aspect correction, so matrices are the layers' own
    MountScratchFolder();
}

void LayerDrawingTest::Render(CLayer& layer, float time, float delta) {
    if (!layer.IsCreated()) {
        EXPECT_TRUE(Create(layer));
    }
    layer.ResolveResourceNames(Resources());
    layer.Render(time, delta);
}

bool LayerDrawingTest::LoadResources(const std::string& declarations) {
    const std::string text = "{ " + declarations + " }";
    CMemoryTokeniser tokeniser(text.data(), text.size());
    if (!Resources().LoadFromTokeniser(tokeniser) || !Resources().CreateAllResources(device))
        return false;
    state.BeginFrame();
    device.ClearCalls();
    return true;
}

std::vector<std::string> LayerDrawingTest::Sequence(const std::vector<std::string>& names) const {
    std::vector<std::string> sequence;
    for (const RecordedCall& call : device.calls) {
        if (std::find(names.begin(), names.end(), call.name) != names.end())
            sequence.push_back(call.name);
    }
    return sequence;
}
