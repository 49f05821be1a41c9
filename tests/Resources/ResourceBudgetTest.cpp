// Repetition costs nothing twice (declarations of one effect file share its compiled effect, of one
// image file its texture), and every resource is charged to the presentation's budget before its
// memory is taken, so that start-up stops at the first that does not fit.
#include "Resources/CResourceModel.h"
#include "Resources/CResourceShader.h"
#include "Resources/CResourceTexture.h"
#include "Support/EngineTest.h"
#include "Support/LogCapture.h"
#include "Support/PngHeader.h"
#include "Testing/TempFolder.h"

#include <gtest/gtest.h>
#include <stb_image_write.h>

#include <string>

namespace {

class ResourceBudgetTest : public EngineTest {
protected:
    // A presentation whose budget is `mib` MiB (read when it is made).
    void Limit(int mib) { ResetScriptModel(PresentationLimits{mib, false}); }
    static std::string Repeat(int count, const std::string& before, const std::string& after) {
        std::string text;
        for (int i = 0; i < count; ++i)
            text += before + std::to_string(i) + after;
        return text;
    }
    void WritePng(const std::string& name, int w, int h) {
        std::vector<uint8_t> rgb(static_cast<size_t>(w) * h * 3, 0x40);
        stbi_write_png(data.PathOf(name).c_str(), w, h, 3, rgb.data(), w * 3);
    }

    LogCapture log;
    TempFolder data{TempFolder::Mounted};
};

const char* const TwoTechniques = "@vertex VS\nvoid main() {}\n@fragment PS\nvoid main() {}\n"
                                  "@technique A\n@pass vertex=VS fragment=PS\n"
                                  "@technique B\n@pass vertex=VS fragment=PS\n@pass vertex=VS fragment=PS\n";

} // namespace

TEST_F(ResourceBudgetTest, DeclarationsOfOneEffectFileShareOneCompiledEffect) {
    data.Write("fx/two.fx", TwoTechniques);
    ASSERT_TRUE(LoadScript("resources {" + Repeat(200, " Shader Built", " \":INTERNAL\" DefaultTextured { }") +
                           Repeat(50, " Shader A", " fx/two.fx A { }") + Repeat(50, " Shader B", " fx/two.fx B { }") +
                           " } end"));
    ASSERT_TRUE(CreateAllResources());
    // The built-in text once (its two declarations and the script's 200), the file once.
    EXPECT_EQ(TestDevice().CountCalls("CreateEffect"), 2);
    EXPECT_EQ(TestDevice().LiveObjects(), 2);
    auto compile = [&](const char* name) {
        return static_cast<CRecordingEffect*>(FindShader(name)->GetEffect())->compiledBy;
    };
    EXPECT_EQ(compile("Built199"), compile("DefaultNonTextured"));
    EXPECT_EQ(compile("A0"), compile("B49"));
    // Each declaration draws with its own technique and values over the shared compile.
    EXPECT_NE(FindShader("A0")->GetEffect(), FindShader("B49")->GetEffect());
    FindShader("B3")->Begin(TestState());
    EXPECT_EQ(static_cast<CRecordingEffect*>(FindShader("B3")->GetEffect())->technique, "B");
    EndCurrentEffect(TestState());
    FindShader("A3")->Begin(TestState());
    EXPECT_EQ(static_cast<CRecordingEffect*>(FindShader("A3")->GetEffect())->technique, "A");
    EndCurrentEffect(TestState());
    // Charged once each: the built-in text's two passes and the file's three.
    EXPECT_EQ(Model().budget.Used(), 5 * CMemoryBudget::ProgramBytes);
}

TEST_F(ResourceBudgetTest, ADeclarationWithAnUnknownTechniqueFailsAloneOnTheSharedEffect) {
    data.Write("fx/two.fx", TwoTechniques);
    Resources().SetIgnoreErrors(true);
    ASSERT_TRUE(LoadScript("resources { Shader Bad fx/two.fx Glow { } Shader Good fx/two.fx B { } } end"));
    ASSERT_TRUE(CreateAllResources());
    EXPECT_FALSE(FindShader("Bad")->IsCreated());
    EXPECT_TRUE(FindShader("Good")->IsCreated());
    EXPECT_TRUE(log.Contains("Failed to find technique 'Glow' in shader program 'fx/two.fx'"));
    EXPECT_EQ(TestDevice().CountCalls("CreateEffect"), 2);
}

TEST_F(ResourceBudgetTest, DeclarationsOfOneImageFileShareOneTextureUnderTheirOwnNames) {
    WritePng("sky.png", 24, 10);
    WritePng("sea.png", 8, 8);
    ASSERT_TRUE(LoadScript("resources {" + Repeat(12, " Texture Sky", " sky.png") + " Texture Sea sea.png } end"));
    ASSERT_TRUE(CreateAllResources());
    EXPECT_EQ(TestDevice().CountCalls("CreateTexture"), 2);
    for (const char* name : {"Sky0", "sky5", "SKY11"}) {
        ASSERT_TRUE(FindTexture(name)) << name;
        EXPECT_EQ(FindTexture(name)->GetTexture(), FindTexture("Sky0")->GetTexture()) << name;
        EXPECT_EQ(FindTexture(name)->width, 24.0f);
        EXPECT_EQ(FindTexture(name)->height, 10.0f);
    }
    EXPECT_NE(FindTexture("Sea")->GetTexture(), FindTexture("Sky0")->GetTexture());
    // The built-in effect, the two textures; and the 32 x 16 texture with its second level once.
    EXPECT_EQ(TestDevice().LiveObjects(), 3);
    EXPECT_EQ(Model().budget.Used(), 2 * CMemoryBudget::ProgramBytes + CMemoryBudget::TextureBytes(32, 16, 2) +
                                         CMemoryBudget::TextureBytes(8, 8, 2));
}

TEST_F(ResourceBudgetTest, SpellingsOfOneImageFileShareOneTextureAndItsBytesAreGivenBack) {
    WritePng("t.png", 8, 8);
    ASSERT_TRUE(LoadScript("resources { Texture A t.png Texture B \"/t.png\" Texture C \"//t.png\" } end"));
    ASSERT_TRUE(CreateAllResources());
    EXPECT_EQ(TestDevice().CountCalls("CreateTexture"), 1);
    EXPECT_EQ(FindTexture("C")->GetTexture(), FindTexture("A")->GetTexture());
    // The file's bytes were charged while they were decoded, and no longer count.
    EXPECT_EQ(Model().budget.Used(), 2 * CMemoryBudget::ProgramBytes + CMemoryBudget::TextureBytes(8, 8, 2));
}

TEST_F(ResourceBudgetTest, AnImageThatFailedFailsEveryDeclarationOfItsFile) {
    data.Write("broken.png", "not a picture");
    Resources().SetIgnoreErrors(true);
    ASSERT_TRUE(LoadScript("resources { Texture A broken.png Texture B broken.png } end"));
    ASSERT_TRUE(CreateAllResources());
    EXPECT_FALSE(FindTexture("A")->GetTexture());
    EXPECT_FALSE(FindTexture("B")->GetTexture());
    EXPECT_EQ(TestDevice().CountCalls("CreateTexture"), 0);
}

TEST_F(ResourceBudgetTest, LaterDeclarationsOfAFailedFileLogWhatTheFirstLogged) {
    data.Write("broken.png", "not a picture");
    data.Write("fx/broken.fx", std::string("@common\n// does not compile\n") + TwoTechniques);
    TestDevice().failEffectsContaining = "does not compile";
    Resources().SetIgnoreErrors(true);
    ASSERT_TRUE(
        LoadScript("resources { Shader S1 fx/gone.fx T { } Shader S2 fx/gone.fx T { }"
                   " Shader P1 fx/broken.fx T { } Shader P2 fx/broken.fx T { }"
                   " Texture T1 gone.png Texture T2 gone.png Texture B1 broken.png Texture B2 broken.png } end"));
    ASSERT_TRUE(CreateAllResources());
    EXPECT_EQ(log.Count("Failed to find shader program 'fx/gone.fx'"), 2);
    EXPECT_EQ(log.Count("fx/broken.fx: 0(1) : error C0000: syntax error"), 2);
    EXPECT_EQ(log.Count("Failed to load texture 'gone.png'"), 2);
    EXPECT_EQ(log.Count("Error creating texture 'broken.png'"), 2);
    // Each file was tried once.
    EXPECT_EQ(TestDevice().CountCalls("CreateEffect"), 2); // the built-in text and broken.fx
}

TEST_F(ResourceBudgetTest, TheCompilersWorkingMemoryIsChargedWhileItRunsAndGivenBack) {
    // 3 MiB of comments: 24 MiB while the compiler holds its copies, more than a 16 MiB limit.
    const std::string comments(3 << 20, ' ');
    data.Write("fx/long.fx", "@common\n//" + comments + "\n" + TwoTechniques);
    Limit(16);
    ASSERT_TRUE(LoadScript("resources { Shader S fx/long.fx A { } } end"));
    EXPECT_FALSE(CreateAllResources());
    EXPECT_EQ(Model().budget.Failure(), "The presentation needs more memory than the limit of 16 MiB (at shader 'S')");
    for (const std::string& compiled : TestDevice().effectSources)
        EXPECT_LT(compiled.size(), comments.size()) << "the long effect reached the compiler";

    Limit(64);
    ASSERT_TRUE(LoadScript("resources { Shader S fx/long.fx A { } } end"));
    ASSERT_TRUE(CreateAllResources());
    // What stays is the programs: the built-in text's two passes and the file's three.
    EXPECT_EQ(Model().budget.Used(), 5 * CMemoryBudget::ProgramBytes);
}

TEST_F(ResourceBudgetTest, AnImageOverTheBudgetIsRefusedFromItsHeaderBeforeDecoding) {
    Limit(64);
    data.Write("huge.png", PngHeader(8192, 8192)); // 320 MiB as a texture, and no pixels at all
    ASSERT_TRUE(LoadScript("resources { Texture Sky huge.png } end"));
    EXPECT_FALSE(CreateAllResources());
    EXPECT_EQ(Model().budget.Failure(),
              "The presentation needs more memory than the limit of 64 MiB (at texture 'Sky')");
    EXPECT_FALSE(log.Contains("Error creating texture 'huge.png'")); // never decoded
}

TEST_F(ResourceBudgetTest, RenderTargetsStopTheStartAtTheFirstThatDoesNotFitEvenWhenErrorsAreIgnored) {
    Limit(16);
    Resources().SetIgnoreErrors(true);
    state.screen.renderTargetSize = 1024; // 4 MiB each
    ASSERT_TRUE(LoadScript("resources {" + Repeat(10, " RenderTarget R", " full") + " } end"));
    // 1 MiB for the built-in effect, then three targets fit and the fourth does not.
    EXPECT_FALSE(CreateAllResources());
    EXPECT_EQ(Model().budget.Failure(),
              "The presentation needs more memory than the limit of 16 MiB (at render target 'R3')");
    EXPECT_EQ(TestDevice().CountCalls("CreateRenderTarget"), 3);
}

TEST_F(ResourceBudgetTest, AnEffectOfMorePassesThanTheBudgetHoldsIsNeverCompiled) {
    Limit(8);
    std::string effect = "@vertex VS\nvoid main() {}\n@fragment PS\nvoid main() {}\n";
    for (int t = 0; t < 5; ++t) {
        effect += "@technique T" + std::to_string(t) + "\n";
        for (int pass = 0; pass < 4; ++pass)
            effect += "@pass vertex=VS fragment=PS\n";
    }
    data.Write("many.fx", effect); // 20 programs, 10 MiB
    ASSERT_TRUE(LoadScript("resources { Shader Many many.fx T0 { } } end"));
    EXPECT_FALSE(CreateAllResources());
    EXPECT_EQ(Model().budget.Failure(),
              "The presentation needs more memory than the limit of 8 MiB (at shader 'Many')");
    EXPECT_EQ(TestDevice().CountCalls("CreateEffect"), 0);
}

TEST_F(ResourceBudgetTest, ModelsAreChargedForWhatTheyKeepAndLimitedInFacesAltogether) {
    // Two objects of one face each over three vertices and one texture coordinate.
    const std::string object = "0\n3\n0 0 0 0 0 -1\n1 0 0 0 0 -1\n0 1 0 0 0 -1\n1\n0 0\n1\n0 2 1 0 0 0\n";
    const std::string model =
        "1\nStandardMaterial\n0 0 0\n1 1 1\n0 0 0\n0\nnomap\n0\n0\n2\n" + object + object + "0\n1 1 1 1\n0\n";
    data.Write("m.txt", model);
    ASSERT_TRUE(LoadScript("resources { Model M m.txt } end"));
    ASSERT_TRUE(CreateAllResources());
    const int64_t perObject = 3 * 24 + 8 + 24 + CMemoryBudget::BufferBytes(3 * sizeof(ModelVertex));
    EXPECT_EQ(Model().budget.Used(), 2 * CMemoryBudget::ProgramBytes + 2 * perObject);

    // The second object's face count would take the model past its faces in all; its own is allowed.
    const std::string tooMany = "1\nStandardMaterial\n0 0 0\n1 1 1\n0 0 0\n0\nnomap\n0\n0\n2\n" + object +
                                "0\n3\n0 0 0 0 0 -1\n1 0 0 0 0 -1\n0 1 0 0 0 -1\n1\n0 0\n4194304\n";
    CResourceModel refused;
    EXPECT_FALSE(refused.Parse(reinterpret_cast<const uint8_t*>(tooMany.data()), tooMany.size(), "m.txt", {}));
    EXPECT_TRUE(log.Contains("Malformed model 'm.txt' on line 27: the model has more than 4194304 faces in all"));
}
