// Resources are found by name: by the layers' resolved names, once, when layers are created, and by
// the lookups, which always answer from the registries as they are.
#include "Layers/CResourceName.h"
#include "Params/CParamString.h"
#include "Resources/CResourceManager.h"
#include "Resources/CResourceModel.h"
#include "Resources/CResourceShader.h"
#include "Resources/CResourceTexture.h"
#include "Support/EngineTest.h"
#include "Support/LogCapture.h"

#include <gtest/gtest.h>

namespace {

class ResourceLookup : public EngineTest {
protected:
    bool Declare(const std::string& block) {
        CMemoryTokeniser tokeniser(block.data(), block.size());
        return Model().resources.LoadFromTokeniser(tokeniser);
    }

    LogCapture log;
};

bool Key(CParamString& param, float time, const std::string& line) {
    CMemoryTokeniser tokeniser(line.data(), line.size());
    return param.AddKeyframeFromTokeniser(time, tokeniser);
}

} // namespace

TEST_F(ResourceLookup, KeyframedNameFindsEachResourceInTurnFrameAfterFrame) {
    ASSERT_TRUE(Declare("{ Texture Sky sky.png Texture SeaAndSandInTheEvening sea.png RenderTarget Glow half "
                        "Model Box box.txt Shader Box \":INTERNAL\" DefaultTextured {} }\n"));
    CResourceTexture* sky = FindTexture("Sky");
    CResourceTexture* sea = FindTexture("SeaAndSandInTheEvening");
    CResourceTexture* glow = FindTexture("Glow");
    ASSERT_TRUE(sky && sea && glow);
    CParamString name("sky");
    ASSERT_TRUE(Key(name, 1.0f, "hold SEAANDSANDINTHEEVENING\n"));
    ASSERT_TRUE(Key(name, 2.0f, "hold Nothing\n"));
    ASSERT_TRUE(Key(name, 3.0f, "hold glow\n"));
    CResourceName<CResourceTexture> texture(&name);
    CResourceName<CResourceTextureRenderTarget> target(&name);
    CResourceName<CResourceModel> model(&name);
    EXPECT_EQ(texture.At(0.5f), nullptr) << "nothing is found before the names are resolved";
    texture.Resolve(Model().resources);
    target.Resolve(Model().resources);
    model.Resolve(Model().resources);
    for (int frame = 0; frame < 3; ++frame) {
        EXPECT_EQ(texture.At(0.5f), sky);
        EXPECT_EQ(texture.At(1.5f), sea);
        EXPECT_EQ(texture.At(2.5f), nullptr);
        EXPECT_EQ(texture.At(3.5f), glow);
        EXPECT_EQ(target.At(3.5f), FindRenderTarget("GLOW"));
        EXPECT_EQ(target.At(0.5f), nullptr); // an image is no render target
        // The same text resolved in another registry answers for that registry.
        EXPECT_EQ(model.At(1.5f), nullptr);
        EXPECT_EQ(FindTexture(name.GetValue(0.5f)), sky);
        EXPECT_EQ(FindTexture(name.GetValue(1.5f)), sea);
        EXPECT_EQ(FindTexture(name.GetValue(2.5f)), nullptr);
        EXPECT_EQ(FindTexture(name.GetValue(3.5f)), glow);
        EXPECT_EQ(FindRenderTarget(name.GetValue(3.5f)), FindRenderTarget("GLOW"));
        EXPECT_EQ(FindRenderTarget(name.GetValue(0.5f)), nullptr); // an image is no render target
        // The same text looked up in another registry answers for that registry.
        EXPECT_EQ(FindModel(name.GetValue(1.5f)), nullptr);
    }
    EXPECT_NE(FindShader("box"), nullptr);
    EXPECT_NE(FindModel("box"), nullptr);
}

TEST_F(ResourceLookup, ANameChangedInPlaceIsLookedUpAfresh) {
    ASSERT_TRUE(Declare("{ Texture Aaaa a.png Texture Bbbb b.png }\n"));
    std::string name = "Aaaa";
    CResourceTexture* a = FindTexture(name);
    ASSERT_NE(a, nullptr);
    name[0] = 'B';
    name[1] = 'b';
    name[2] = 'b';
    name[3] = 'b';
    EXPECT_EQ(FindTexture(name), FindTexture("bbbb"));
    EXPECT_NE(FindTexture(name), a);
    name = "Cccc"; // unknown, then declared: the earlier miss is not kept
    EXPECT_EQ(FindTexture(name), nullptr);
    ASSERT_TRUE(Declare("{ Texture cccc c.png }\n"));
    EXPECT_NE(FindTexture(name), nullptr);
}

TEST_F(ResourceLookup, ARemovedResourceIsNotFoundAndARedeclaredOneIsTheNewObject) {
    ASSERT_TRUE(Declare("{ Model Ship ship.txt Shader Glow \":INTERNAL\" DefaultTextured {} }\n"));
    const std::string ship = "Ship", glow = "Glow";
    ASSERT_NE(FindModel(ship), nullptr);
    ASSERT_NE(FindShader(glow), nullptr);
    ResetScriptModel();
    EXPECT_EQ(FindModel(ship), nullptr);
    EXPECT_EQ(FindShader(glow), nullptr);
    ASSERT_TRUE(Declare("{ Model Ship other.txt }\n"));
    ASSERT_NE(FindModel(ship), nullptr);
    EXPECT_EQ(FindModel(ship)->fileName, "other.txt");
}

TEST_F(ResourceLookup, NamesTooLongToRememberAreFoundInAnyCase) {
    const std::string longName(300, 'x');
    ASSERT_TRUE(Declare("{ Texture " + longName + " long.png }\n"));
    std::string upper(300, 'X');
    EXPECT_NE(FindTexture(upper), nullptr);
    EXPECT_EQ(FindTexture(upper), FindTexture(longName));
    upper.back() = 'y';
    EXPECT_EQ(FindTexture(upper), nullptr);
}
