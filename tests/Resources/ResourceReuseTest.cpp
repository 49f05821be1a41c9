// A presentation made to replace another on the same device (live reload) takes over what the other
// made from files that still hold the same bytes: nothing is compiled, decoded or read into buffers
// again, its budget is charged as if it had been, and what it does not take goes with the other. A
// file saved with other bytes, or a declaration that asks for something else, is made afresh.
#include "Resources/CResourceModel.h"
#include "Resources/CResourceShader.h"
#include "Resources/CResourceTexture.h"
#include "Support/EngineTest.h"
#include "Support/LogCapture.h"
#include "Support/SolidImage.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

const ScreenSetup Screen{1024.0f, 768.0f, 4.0f / 3.0f, 256};

// One textured material (its texture made from Wood.bmp) and one triangle.
const char* const TriangleModel = "1\nStandardMaterial\n0 0 0\n1 1 1\n0 0 0\n10\nWood\n0\n0\n"
                                  "1\n0\n3\n0 0 0 0 0 -1\n1 0 0 0 0 -1\n0 1 0 0 0 -1\n1\n0 0\n1\n0 2 1 0 0 0\n"
                                  "0\n1 1 1 1\n0\n";

std::string Effect(const char* colour) {
    return std::string("@vertex VS\nvoid main() {}\n@fragment PS\nout vec4 c;\nvoid main() { c = vec4(") + colour +
           "); }\n@technique A\n@pass vertex=VS fragment=PS\n";
}

std::string Script(const char* targetSize = "half") {
    return std::string("resources { Shader Fx fx/a.fx A { } Texture Pic pic.png RenderTarget Rt ") + targetSize +
           " Model M m.txt } end";
}

class ResourceReuseTest : public EngineTest {
protected:
    ResourceReuseTest() {
        data.Write("fx/a.fx", Effect("1, 0, 0, 1"));
        WriteSolidPng(data / "pic.png", 255, 0, 0);
        data.Write("m.txt", TriangleModel);
        WriteSolidBmp("Wood.bmp", 0, 255, 0);
    }

    void WriteSolidBmp(const std::string& name, uint8_t r, uint8_t g, uint8_t b) {
        const uint8_t rgb[12] = {r, g, b, r, g, b, r, g, b, r, g, b};
        stbi_write_bmp(data.PathOf(name).c_str(), 2, 2, 3, rgb);
    }

    // A presentation of `script` created on `on`, taking what it can from `before`; null when its
    // resources could not all be created.
    std::unique_ptr<CSystem> Make(const std::string& script, const CSystem* before = nullptr,
                                  CGraphicsDevice* on = nullptr, const PresentationLimits& limits = {}) {
        auto system = std::make_unique<CSystem>(limits);
        CMemoryTokeniser tokeniser(script.data(), script.size());
        if (!system->LoadFromTokeniser(tokeniser) || !system->CreateAllResources(on ? *on : device, Screen, before))
            return nullptr;
        return system;
    }

    static const void* Compile(const CSystem& system) {
        return static_cast<const CRecordingEffect*>(system.resources.FindShader("Fx")->GetEffect())->compiledBy;
    }
    static const CTexture* Texture(const CSystem& system, const char* name) {
        return system.resources.FindTexture(name)->GetTexture();
    }
    static const CVertexBuffer* Buffer(const CSystem& system) {
        return system.resources.FindModel("M")->objects.at(0).vertexBuffer.get();
    }
    int Made() const {
        return TestDevice().CountCalls("CreateEffect") + TestDevice().CountCalls("CreateTexture") +
               TestDevice().CountCalls("CreateRenderTarget") + TestDevice().CountCalls("CreateVertexBuffer");
    }

    LogCapture log;
};

} // namespace

TEST_F(ResourceReuseTest, UnchangedFilesAreTakenOverChargedAsIfMadeAndKeptWhenTheOldPresentationGoes) {
    std::unique_ptr<CSystem> old = Make(Script());
    ASSERT_TRUE(old);
    // The built-in effect and the file's, the image and the model's texture, the target, the buffer.
    const int live = TestDevice().LiveObjects();
    EXPECT_EQ(live, 6);
    TestDevice().ClearCalls();

    std::unique_ptr<CSystem> next = Make(Script(), old.get());
    ASSERT_TRUE(next);
    EXPECT_EQ(Made(), 0) << "nothing is compiled, decoded or made again";
    EXPECT_EQ(TestDevice().LiveObjects(), live);
    EXPECT_EQ(Compile(*next), Compile(*old));
    EXPECT_EQ(Texture(*next, "Pic"), Texture(*old, "Pic"));
    EXPECT_EQ(Texture(*next, "Wood"), Texture(*old, "Wood"));
    EXPECT_EQ(Texture(*next, "Rt"), Texture(*old, "Rt"));
    EXPECT_EQ(Buffer(*next), Buffer(*old));
    // Each declaration draws with values of its own, and the model with this presentation's texture.
    EXPECT_NE(next->resources.FindShader("Fx")->GetEffect(), old->resources.FindShader("Fx")->GetEffect());
    EXPECT_EQ(next->resources.FindModel("M")->materials.at(0).texture, next->resources.FindTexture("Wood"));
    EXPECT_EQ(next->budget.Used(), old->budget.Used());
    EXPECT_TRUE(log.Contains(
        "Reused 2 effect(s), 2 image(s), 1 model(s) and 1 render target(s) unchanged since the last load"));

    old.reset();
    EXPECT_EQ(TestDevice().LiveObjects(), live) << "what was taken lives on";
    ASSERT_NE(Texture(*next, "Pic"), nullptr);
    // A third presentation takes them from the second.
    TestDevice().ClearCalls();
    std::unique_ptr<CSystem> third = Make(Script(), next.get());
    ASSERT_TRUE(third);
    EXPECT_EQ(Made(), 0);
    third.reset();
    next.reset();
    EXPECT_EQ(TestDevice().LiveObjects(), 0);
}

TEST_F(ResourceReuseTest, AFileWithOtherBytesOrAnotherDeclarationIsMadeAgainAndWhatNoneTookIsFreed) {
    std::unique_ptr<CSystem> old = Make(Script());
    ASSERT_TRUE(old);
    const int live = TestDevice().LiveObjects();
    // The same sizes, other bytes: a saved effect and image; the target asked a size smaller.
    data.Write("fx/a.fx", Effect("0, 0, 1, 1"));
    WriteSolidPng(data / "pic.png", 0, 0, 255);
    TestDevice().ClearCalls();

    std::unique_ptr<CSystem> next = Make(Script("quarter"), old.get());
    ASSERT_TRUE(next);
    EXPECT_EQ(TestDevice().CountCalls("CreateEffect"), 1);
    ASSERT_EQ(TestDevice().CountCalls("CreateTexture"), 1);
    EXPECT_EQ(TestDevice().LastCall("CreateTexture")->ints.at(0), 8) << "the picture";
    EXPECT_EQ(TestDevice().CountCalls("CreateRenderTarget"), 1);
    EXPECT_EQ(TestDevice().CountCalls("CreateVertexBuffer"), 0);
    EXPECT_NE(Compile(*next), Compile(*old));
    EXPECT_NE(TestDevice().effectSources.back().find("0, 0, 1, 1"), std::string::npos);
    const auto* picture = static_cast<const CRecordingTexture*>(Texture(*next, "Pic"));
    EXPECT_NE(picture, Texture(*old, "Pic"));
    EXPECT_EQ(picture->pixels.at(2), 255) << "blue";
    EXPECT_EQ(Texture(*next, "Wood"), Texture(*old, "Wood"));
    EXPECT_EQ(next->budget.Used(),
              old->budget.Used() - CMemoryBudget::RenderTargetBytes(128) + CMemoryBudget::RenderTargetBytes(64));

    old.reset();
    EXPECT_EQ(TestDevice().LiveObjects(), live) << "the old effect, picture and target are gone";
}

TEST_F(ResourceReuseTest, AFailedReplacementLeavesTheRunningPresentationWhole) {
    std::unique_ptr<CSystem> old = Make(Script());
    ASSERT_TRUE(old);
    const int live = TestDevice().LiveObjects();

    // It takes the effects, the picture and the target before a missing image stops it.
    EXPECT_FALSE(Make("resources { Shader Fx fx/a.fx A { } Texture Pic pic.png RenderTarget Rt half "
                      "Texture Gone gone.png Model M m.txt } end",
                      old.get()));
    EXPECT_EQ(TestDevice().LiveObjects(), live);
    ASSERT_NE(Texture(*old, "Pic"), nullptr);
    ASSERT_NE(Texture(*old, "Rt"), nullptr);
    EXPECT_NE(old->resources.FindShader("Fx")->GetEffect(), nullptr);

    // A budget too small for what would be taken refuses it as it would refuse it made anew.
    std::unique_ptr<CSystem> tight = std::make_unique<CSystem>(PresentationLimits{1, false});
    const std::string script = Script();
    CMemoryTokeniser tokeniser(script.data(), script.size());
    ASSERT_TRUE(tight->LoadFromTokeniser(tokeniser));
    EXPECT_FALSE(tight->CreateAllResources(device, Screen, old.get()));
    EXPECT_TRUE(tight->budget.Exceeded());
    tight.reset();

    // Nothing of one device is taken onto another.
    CRecordingDevice other;
    std::unique_ptr<CSystem> elsewhere = Make(Script(), old.get(), &other);
    ASSERT_TRUE(elsewhere);
    EXPECT_EQ(other.LiveObjects(), live);
    EXPECT_EQ(TestDevice().LiveObjects(), live);
}
