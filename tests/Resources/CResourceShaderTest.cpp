// The one pass loop every drawing layer runs through its shader.
#include "Resources/CResourceShader.h"
#include "Support/EngineTest.h"

#include <gtest/gtest.h>

namespace {

std::vector<std::string> EffectCalls(const CRecordingDevice& device) {
    std::vector<std::string> calls;
    for (const RecordedCall& call : device.calls)
        if (call.name != "SetTechnique")
            calls.push_back(call.name + (call.name == "BeginPass" ? " " + std::to_string(call.ints[0]) : ""));
    return calls;
}

using DrawPasses = EngineTest;

} // namespace

TEST_F(DrawPasses, EveryPassOpensAfterTheLastClosesAndTheEffectEndsOnce) {
    ASSERT_TRUE(LoadScript("resources { Shader Glow \":INTERNAL\" DefaultTextured { } } end"));
    ASSERT_TRUE(CreateAllResources());
    TestDevice().techniquePasses["DefaultTextured"] = 3;
    TestDevice().ClearCalls();
    std::vector<int> drawn;
    FindShader("Glow")->DrawPasses(
        TestState(), [&] { TestDevice().SetVertexFormat(VertexPosition); },
        [&](int pass, CEffect& effect) {
            EXPECT_EQ(TestState().currentPass, pass);
            EXPECT_EQ(&effect, TestState().currentEffect);
            drawn.push_back(pass);
            TestDevice().DrawPrimitive(PrimitiveType::TriangleList, 0, 1);
        });
    EXPECT_EQ(drawn, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(
        EffectCalls(TestDevice()),
        (std::vector<std::string>{"Begin", "SetVertexFormat", "BeginPass 0", "DrawPrimitive", "EndPass", "BeginPass 1",
                                  "DrawPrimitive", "EndPass", "BeginPass 2", "DrawPrimitive", "End"}));
    EXPECT_EQ(TestState().currentPass, 2);
    EXPECT_EQ(TestState().currentEffect, nullptr);
}

TEST_F(DrawPasses, AShaderThatWasNeverCreatedDrawsNoPass) {
    ASSERT_TRUE(LoadScript("resources { Shader Glow missing.fx Glow { } } end"));
    bool prepared = false, drawn = false;
    FindShader("Glow")->DrawPasses(
        TestState(), [&] { prepared = true; }, [&](int, CEffect&) { drawn = true; });
    EXPECT_TRUE(prepared);
    EXPECT_FALSE(drawn);
    EXPECT_EQ(TestDevice().CountCalls("Begin"), 0);
    EXPECT_EQ(TestState().currentEffect, nullptr);
}
