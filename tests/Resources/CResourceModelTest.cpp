#include "Resources/CResourceModel.h"
#include "Base/StopRequest.h"
#include "Resources/CResourceManager.h"
#include "Resources/CResourceShader.h"
#include "Resources/CResourceTexture.h"
#include "Support/CallLines.h"
#include "Support/EngineTest.h"
#include "Support/LogCapture.h"
#include "Testing/TempFolder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <stb_image_write.h>
#include <unistd.h>

#include <cstring>

namespace {

using Lines = std::vector<std::string>;

// One untextured material, one triangle, no lights, no cameras.
const char* const Example = "1\nStandardMaterial\n0.1 0.1 0.1\n0.8 0.2 0.2\n0.9 0.9 0.9\n10\nnomap\n0\n0\n"
                            "1\n0\n3\n0 0 0 0 0 -1\n1 0 0 0 0 -1\n0 1 0 0 0 -1\n1\n0 0\n1\n0 2 1 0 0 0\n"
                            "0\n1 1 1 1\n0\n";

std::string WithCrLf(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
}

std::string TinyBitmap() {
    const uint8_t rgb[3] = {200, 100, 50};
    std::string out;
    stbi_write_bmp_to_func(
        [](void* context, void* data, int size) {
            static_cast<std::string*>(context)->append(static_cast<const char*>(data), size);
        },
        &out, 1, 1, 3, rgb);
    return out;
}

class ModelTest : public EngineTest {
protected:
    // Loads `text` as a model file and returns whether it loaded.
    bool Load(const std::string& text, CResourceModel& model, const std::string& name = "m.txt") {
        data.Write(name, text);
        return model.LoadModel(name, Model().resources.ModelTextures(TestDevice()), TestDevice());
    }

    std::vector<ModelVertex> Vertices(size_t buffer) const {
        const CRecordingVertexBuffer* vb = MadeVertexBuffers(TestDevice()).at(buffer);
        std::vector<ModelVertex> v(vb->data.size() / sizeof(ModelVertex));
        std::memcpy(v.data(), vb->data.data(), v.size() * sizeof(ModelVertex));
        return v;
    }

    LogCapture log;
};

} // namespace

TEST_F(ModelTest, LoadsTheExampleAndExpandsItsTriangle) {
    CResourceModel model;
    ASSERT_TRUE(Load(Example, model));
    EXPECT_EQ(log.Messages(), (Lines{"Loading model from 'm.txt'", "Found 1 material(s)", "Found 1 object(s)",
                                     "Found 0 light(s)", "Found 0 camera(s)", "Model loaded successfully"}));
    ASSERT_EQ(model.materials.size(), 1u);
    const ModelMaterial& m = model.materials[0];
    EXPECT_EQ(m.type, 0);
    EXPECT_EQ(m.diffuse, glm::vec4(0.8f, 0.2f, 0.2f, 1.0f));
    EXPECT_EQ(m.third, glm::vec4(0.1f, 0.1f, 0.1f, 1.0f));
    EXPECT_EQ(m.second, glm::vec4(0.9f, 0.9f, 0.9f, 1.0f));
    EXPECT_EQ(m.value, 10.0f);
    EXPECT_EQ(m.texture, nullptr);
    EXPECT_EQ(model.lightSectionValues, glm::vec4(1.0f));

    ASSERT_EQ(MadeVertexBuffers(TestDevice()).size(), 1u);
    std::vector<ModelVertex> v = Vertices(0);
    ASSERT_EQ(v.size(), 3u);
    // Corners follow the face's index order 0 2 1.
    EXPECT_EQ(v[0].x, 0.0f);
    EXPECT_EQ(v[1].y, 1.0f);
    EXPECT_EQ(v[2].x, 1.0f);
    EXPECT_EQ(v[2].nz, -1.0f);

    TestDevice().ClearCalls();
    TestState().currentEffect = nullptr;
    model.Render(TestState());
    EXPECT_EQ(CallLines(TestDevice()),
              (Lines{"SetVertexFormat 274", "SetStreamSource 0 32", "DrawPrimitive list 0 1"}));
    ASSERT_TRUE(TestState().currentColour);
    EXPECT_EQ(*TestState().currentColour, glm::vec4(0.8f, 0.2f, 0.2f, 1.0f));
}

TEST_F(ModelTest, CrLfFilesAndAnUnterminatedLastLineReadTheSame) {
    CResourceModel lf, crlf, open;
    ASSERT_TRUE(Load(Example, lf, "lf.txt"));
    ASSERT_TRUE(Load(WithCrLf(Example), crlf, "crlf.txt"));
    std::string unterminated = Example;
    unterminated.pop_back();
    ASSERT_TRUE(Load(unterminated, open, "open.txt"));
    ASSERT_EQ(MadeVertexBuffers(TestDevice()).size(), 3u);
    EXPECT_EQ(MadeVertexBuffers(TestDevice())[0]->data, MadeVertexBuffers(TestDevice())[1]->data);
    EXPECT_EQ(MadeVertexBuffers(TestDevice())[0]->data, MadeVertexBuffers(TestDevice())[2]->data);
}

TEST_F(ModelTest, NumbersBelowTheFloatRangeReadAsZeroAndAboveItAreRefused) {
    std::string tiny = Example;
    tiny.replace(tiny.find("1 0 0 0 0 -1"), 12, "1 0 0 0 1e-50 -1");
    CResourceModel model;
    ASSERT_TRUE(Load(tiny, model)) << log.Text();
    EXPECT_EQ(Vertices(0)[2].ny, 0.0f);

    std::string huge = Example;
    huge.replace(huge.find("1 0 0 0 0 -1"), 12, "1 0 0 0 1e50 -1");
    CResourceModel refused;
    EXPECT_FALSE(Load(huge, refused, "huge.txt"));
    EXPECT_TRUE(log.Contains("Malformed model 'huge.txt' on line 14: a vertex normal is out of range")) << log.Text();
}

TEST_F(ModelTest, BytesParseWithoutTheDataFolderAndMaterialsAskTheResolverForTextures) {
    std::string text = Example;
    text.replace(text.find("nomap"), 5, "Stone");
    std::vector<std::string> asked;
    CResourceTexture* made = reinterpret_cast<CResourceTexture*>(&asked); // only compared, never used
    const ModelTextureResolver resolver{[&](const std::string& name) {
                                            asked.push_back("find " + name);
                                            return nullptr;
                                        },
                                        [&](const std::string& name, const std::string& file) {
                                            asked.push_back("create " + name + " " + file);
                                            return made;
                                        }};
    CResourceModel model;
    const std::string crlf = WithCrLf(text);
    ASSERT_TRUE(model.Parse(reinterpret_cast<const uint8_t*>(crlf.data()), crlf.size(), "mem.txt", resolver));
    EXPECT_EQ(asked, (Lines{"find Stone", "create Stone Stone.bmp"}));
    EXPECT_EQ(model.materials[0].texture, made);
    EXPECT_EQ(model.objects.at(0).vertexIndices.size(), 1u);
    EXPECT_FALSE(model.objects[0].vertexBuffer) << "parsing makes no device objects";

    CResourceModel cut;
    EXPECT_FALSE(cut.Parse(reinterpret_cast<const uint8_t*>(text.data()), 40, "cut.txt", resolver));
    EXPECT_TRUE(log.Contains("Malformed model 'cut.txt' on line 5: the file ends where a colour is expected"));
}

TEST_F(ModelTest, EmptyModelIsFiveLines) {
    CResourceModel model;
    ASSERT_TRUE(Load("0\n0\n0\n0.5 0 0 1\n0\n", model));
    EXPECT_TRUE(model.objects.empty());
    EXPECT_EQ(model.lightSectionValues.x, 0.5f);
    EXPECT_TRUE(MadeVertexBuffers(TestDevice()).empty());
}

TEST_F(ModelTest, TextureCoordinatesAreStoredAsAbsoluteValues) {
    std::string text = Example;
    text.replace(text.find("1\n0 0\n1\n"), 8, "1\n-0.25 1.5\n1\n");
    CResourceModel model;
    ASSERT_TRUE(Load(text, model));
    for (const ModelVertex& v : Vertices(0)) {
        EXPECT_EQ(v.u, 0.25f);
        EXPECT_EQ(v.v, 1.5f);
    }
}

TEST_F(ModelTest, NamedMapsAreFoundOrCreatedFromBitmapsOnce) {
    data.Write("Wood.bmp", TinyBitmap());
    std::string text = Example;
    text.replace(text.find("nomap"), 5, "Wood");
    CResourceModel first, second;
    ASSERT_TRUE(Load(text, first, "a.txt"));
    EXPECT_TRUE(log.Contains("Couldn't find 'Wood' texture resource. Auto-creating it.."));
    EXPECT_TRUE(log.Contains("Adding texture resource 'Wood'"));
    CResourceTexture* wood = FindTexture("wood");
    ASSERT_TRUE(wood);
    EXPECT_EQ(first.materials[0].texture, wood);
    EXPECT_EQ(dynamic_cast<CResourceTextureImage*>(wood)->fileName, "Wood.bmp");

    log.Restart();
    ASSERT_TRUE(Load(text, second, "b.txt"));
    EXPECT_FALSE(log.Contains("Adding texture resource 'Wood'"));
    EXPECT_EQ(second.materials[0].texture, wood);
    EXPECT_EQ(CallLinesStartingWith(TestDevice(), "CreateTexture").size(), 1u);

    TestDevice().ClearCalls();
    second.Render(TestState());
    EXPECT_EQ(CallLinesStartingWith(TestDevice(), "SetTexture"), Lines{"SetTexture 0 texture"});
}

TEST_F(ModelTest, MissingMapLeavesTheMaterialUntexturedAndLoadsOn) {
    std::string text = Example;
    text.replace(text.find("nomap"), 5, "Stone");
    CResourceModel model;
    ASSERT_TRUE(Load(text, model));
    EXPECT_TRUE(log.Contains("Failed to load texture 'Stone.bmp'"));
    EXPECT_EQ(model.materials[0].texture, nullptr);
    EXPECT_TRUE(FindTexture("Stone")); // the entry stays, without a device texture
}

TEST_F(ModelTest, UnsupportedMaterialsAndUnknownLightsTakeOneLine) {
    const char* text = "2\nMultiMaterial\nStandardMaterial\n0 0 0\n0.5 0.5 0.5\n0 0 0\n1\nNOMAP\n1\n0\n"
                       "0\n3\n0 0 0 0\nAmbient\nomni\n1 2 3\n4 5 6 7\nSpot\n1 1 1\n2 2 2\n45\n0 0 0 1\n"
                       "1\nfixed\n0 0 -5\n0 0 0\n60\n";
    CResourceModel model;
    ASSERT_TRUE(Load(text, model));
    EXPECT_TRUE(log.Contains("Model has an un-supported material type 'MultiMaterial'"));
    EXPECT_EQ(model.materials[0].type, 1);
    EXPECT_EQ(model.materials[0].diffuse, glm::vec4(0.0f));
    EXPECT_EQ(model.materials[1].diffuse, glm::vec4(0.5f, 0.5f, 0.5f, 1.0f));
    EXPECT_TRUE(model.materials[1].firstFlag);
    ASSERT_EQ(model.lights.size(), 3u);
    EXPECT_EQ(model.lights[0].type, LightType::Unknown);
    EXPECT_EQ(model.lights[1].first, glm::vec3(1, 2, 3));
    EXPECT_EQ(model.lights[1].values, glm::vec4(4, 5, 6, 7));
    EXPECT_EQ(model.lights[2].value, 45.0f);
    ASSERT_EQ(model.cameras.size(), 1u);
    EXPECT_EQ(model.cameras[0].value, 60.0f);
}

TEST_F(ModelTest, UnknownCameraTypeFailsAfterTheEarlierSections) {
    std::string text = Example;
    text.replace(text.rfind("0\n"), 2, "1\nTarget\n0 0 0\n0 0 0\n1\n");
    CResourceModel model;
    EXPECT_FALSE(Load(text, model));
    EXPECT_TRUE(log.Contains("Unknown camera type 'Target'"));
    EXPECT_EQ(model.objects.size(), 1u);
    EXPECT_TRUE(MadeVertexBuffers(TestDevice()).empty());
}

TEST_F(ModelTest, MissingFileFails) {
    CResourceModel model;
    EXPECT_FALSE(model.LoadModel("nothing.txt", Model().resources.ModelTextures(TestDevice()), TestDevice()));
    EXPECT_EQ(log.Messages(), (Lines{"Loading model from 'nothing.txt'", "Failed to open file"}));
}

TEST_F(ModelTest, MalformedFilesAreRefusedWithTheFileAndLine) {
    auto replace = [](std::string text, const std::string& from, const std::string& to) {
        return text.replace(text.find(from), from.size(), to);
    };
    const std::string example = Example;
    const std::pair<std::string, std::string> cases[] = {
        {"-1\n", "line 1: a material count -1 is outside 0..65536"},
        {"2000000000\n", "line 1: a material count 2000000000 is outside 0..65536"},
        {"99999999999\n", "line 1: a material count is out of range"},
        {"", "line 1: the file ends where a material count is expected"},
        {"x\n", "line 1: expecting a material count"},
        {replace(example, "0 2 1 0 0 0", "0 3 1 0 0 0"), "line 19: vertex index 3 is outside the 3 vertices"},
        {replace(example, "0 2 1 0 0 0", "0 2 -1 0 0 0"), "line 19: vertex index -1 is outside the 3 vertices"},
        {replace(example, "0 2 1 0 0 0", "0 2 1 0 0 1"),
         "line 19: texture coordinate index 1 is outside the 1 texture coordinates"},
        {replace(example, "0 2 1 0 0 0", "0 2 1 0 0"), "line 19: expecting a texture coordinate index"},
        {replace(example, "1\n0\n3\n", "1\n1\n3\n"), "line 11: material index 1 is outside the 1 material(s)"},
        {replace(example, "1 0 0 0 0 -1", "1 0 0 0 0"), "line 14: expecting a vertex normal"},
        {replace(example, "0.8 0.2 0.2", "0.8 0.2"), "line 4: expecting a colour"},
        {replace(example, "\n3\n", "\n9999999\n"), "line 12: a vertex count 9999999 is outside 0..4194304"},
        {example.substr(0, example.find("0 1 0 0 0 -1")), "line 15: the file ends where a vertex is expected"},
        {replace(example, "nomap", std::string(1100, 'w')), "line 7: the line is longer than 1023 characters"},
        {replace(example, "nomap", std::string(300, 'w')), "line 7: a texture name is longer than 255 characters"},
        {replace(example, "1 1 1 1", "1 1 1e999 1"), "line 21: the light-section values is out of range"},
    };
    for (const auto& [text, where] : cases) {
        ResetScriptModel();
        log.Restart();
        CResourceModel model;
        EXPECT_FALSE(Load(text, model, "bad.txt")) << where;
        EXPECT_TRUE(log.Contains("Malformed model 'bad.txt' on " + where)) << where << "\n" << log.Text();
        EXPECT_TRUE(MadeVertexBuffers(TestDevice()).empty());
    }
}

TEST_F(ModelTest, ModelsLoadThroughCreateAllResourcesInDeclarationOrder) {
    data.Write("one.txt", Example);
    data.Write("two.txt", "0\n0\n0\n1 1 1 1\n0\n");
    ASSERT_TRUE(LoadScript("resources { Model One one.txt Model Two two.txt } end"));
    ASSERT_TRUE(CreateAllResources());
    EXPECT_EQ(FindModel("one")->objects.size(), 1u);
    Lines loading;
    for (const std::string& m : log.Messages())
        if (m.rfind("Loading model", 0) == 0)
            loading.push_back(m);
    EXPECT_EQ(loading, (Lines{"Loading model from 'one.txt'", "Loading model from 'two.txt'"}));

    ResetScriptModel();
    data.Write("bad.txt", "-5\n");
    ASSERT_TRUE(LoadScript("resources { Model Bad bad.txt Model One one.txt } end"));
    EXPECT_FALSE(CreateAllResources());
    EXPECT_TRUE(log.Contains("Failed to create all model resources!"));
    EXPECT_TRUE(FindModel("One")->objects.empty());
}

using ModelDeathTest = ModelTest;

TEST_F(ModelDeathTest, AStopRequestEndsTheReadingWithoutBlamingTheFile) {
    // In a process of its own: the request cannot be taken back.
    const ModelTextureResolver resolver{[](const std::string&) { return nullptr; },
                                        [](const std::string&, const std::string&) { return nullptr; }};
    const std::string text = Example;
    EXPECT_EXIT(
        {
            RequestStop(SIGTERM);
            CResourceModel model;
            const bool parsed =
                model.Parse(reinterpret_cast<const uint8_t*>(text.data()), text.size(), "m.txt", resolver);
            _exit(parsed ? 1 : log.Contains("Malformed model") ? 2 : 0);
        },
        testing::ExitedWithCode(0), "");
}
