#include "Layers/CLayerManager.h"
#include "Layers/CLayer.h"
#include "Params/CParamBool.h"
#include "Params/CParamString.h"
#include "Resources/CResourceTexture.h"
#include "Support/CallLines.h"
#include "Support/EngineTest.h"
#include "Support/LogCapture.h"
#include "Support/TestLayers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace {

class LayerManagerTest : public EngineTest {
protected:
    void SetUp() override {
        ProbeLayer::runs.clear();
        ProbeLayer::created.clear();
        FailCreateLayer::attempts = 0;
    }

    LogCapture log;
};

std::vector<std::string> Tags() {
    std::vector<std::string> tags;
    for (const ProbeRun& run : ProbeLayer::runs)
        tags.push_back(run.tag);
    return tags;
}

using LayerBase = EngineTest;

} // namespace

TEST(LayerTypeRegistry, CreatesByNameInAnyLetterCase) {
    std::unique_ptr<CLayer> a(CreateLayerByType("TestProbe"));
    std::unique_ptr<CLayer> b(CreateLayerByType("testprobe"));
    std::unique_ptr<CLayer> c(CreateLayerByType("TESTPROBE"));
    ASSERT_TRUE(a && b && c);
    EXPECT_NE(dynamic_cast<ProbeLayer*>(c.get()), nullptr);
}

TEST(LayerTypeRegistry, UnknownEmptyOrPaddedNamesMakeNothing) {
    EXPECT_EQ(CreateLayerByType("ProbeTest"), nullptr);
    EXPECT_EQ(CreateLayerByType(""), nullptr);
    EXPECT_EQ(CreateLayerByType(" TestProbe"), nullptr);
    EXPECT_EQ(CreateLayerByType("TestProbe "), nullptr);
}

TEST(LayerTypeRegistry, KeepsRegistrationOrder) {
    const auto& registry = GetLayerTypeRegistry();
    auto probe = std::find_if(registry.begin(), registry.end(), [](auto& e) { return e.name == "TestProbe"; });
    auto fail = std::find_if(registry.begin(), registry.end(), [](auto& e) { return e.name == "TestFailCreate"; });
    ASSERT_NE(probe, registry.end());
    EXPECT_EQ(fail, probe + 1);
}

TEST_F(LayerBase, FreshLayerIsActiveWithNoRenderTargetAndCommonParametersFirst) {
    std::unique_ptr<CLayer> layer(CreateLayerByType("TestProbe"));
    ASSERT_TRUE(layer);
    EXPECT_TRUE(layer->active->GetValue(0.0f));
    EXPECT_EQ(layer->renderTarget->GetValue(0.0f), "");
    EXPECT_EQ(layer->params.FindParam("active"), layer->active);
    EXPECT_EQ(layer->params.FindParam("RENDERTARGET"), layer->renderTarget);
    std::vector<std::string> names;
    for (const ParamEntry& entry : layer->params.GetEntries())
        names.push_back(entry.name);
    EXPECT_EQ(names, (std::vector<std::string>{"Active", "RenderTarget", "Tag", "MessUp"}));
    EXPECT_TRUE(layer->CLayer::Create(TestState(), Model().resources));
}

TEST_F(LayerManagerTest, ReadsLayersInOrderAndSetsTheirParameters) {
    ASSERT_TRUE(LoadScript("scene S 0:0:0 10:0:0 { layers { A testprobe { Tag = first Active = false } "
                           "B TestProbe { } } layers { } layers { C TESTPROBE { Tag = third } } } end"));
    const auto& layers = GetScenes().at(0).layers.GetLayers();
    ASSERT_EQ(layers.size(), 3u);
    EXPECT_EQ(layers[0].name, "A");
    EXPECT_EQ(layers[2].name, "C");
    EXPECT_FALSE(layers[0].layer->active->GetValue(0.0f));
    EXPECT_EQ(static_cast<ProbeLayer*>(layers[2].layer.get())->tag->GetValue(0.0f), "third");
    EXPECT_EQ(GetScenes()[0].layers.FindLayer("b"), layers[1].layer.get());
    EXPECT_EQ(GetScenes()[0].layers.FindLayer("D"), nullptr);
}

TEST_F(LayerManagerTest, DuplicateNameInOneSceneFailsButOtherScenesMayReuseIt) {
    EXPECT_TRUE(LoadScript("scene One 0:0:0 1:0:0 { layers { Logo TestProbe { } } }\n"
                           "scene Two 0:0:0 1:0:0 { layers { logo TestProbe { } } } end"));
    ResetScriptModel();
    EXPECT_FALSE(
        LoadScript("scene One 0:0:0 1:0:0 { layers { Logo TestProbe { } } layers { logo TestProbe { } } } end"));
    EXPECT_EQ(log.Messages(), std::vector<std::string>{"Layer name 'logo' already exists"});
    EXPECT_NE(log.Text().find("CLayerManager::LoadFromTokeniser] Layer name"), std::string::npos);
}

TEST_F(LayerManagerTest, DuplicateIsReportedBeforeTheTypeIsRead) {
    EXPECT_FALSE(LoadScript("scene S 0:0:0 1:0:0 { layers { Logo TestProbe { } Logo Picture { } } } end"));
    EXPECT_EQ(log.Messages(), std::vector<std::string>{"Layer name 'Logo' already exists"});
}

TEST_F(LayerManagerTest, UnknownTypeNamesTheWordAndItsLine) {
    EXPECT_FALSE(LoadScript("scene S 0:0:0 1:0:0 {\n layers {\n  Logo\n  Picture { }\n } } end"));
    EXPECT_EQ(log.Messages(), std::vector<std::string>{"Unknown layer type 'Picture' found at line 4"});
}

TEST_F(LayerManagerTest, MalformedBlocksFailWithoutAMessage) {
    const char* scripts[] = {
        "scene S 0:0:0 1:0:0 { layers Logo } end",                       // no opening brace
        "scene S 0:0:0 1:0:0 { layers { Logo 12 { } } } end",            // type is not a word
        "scene S 0:0:0 1:0:0 { layers { Logo TestProbe Tag = x } } end", // parameters without braces
        "scene S 0:0:0 1:0:0 { layers { Logo TestProbe { 5 } } } end",   // a number where a name is due
        "scene S 0:0:0 1:0:0 { layers { 5 } } end",                      // a number where a layer is due
        "scene S 0:0:0 1:0:0 { layers { Logo TestProbe { }",             // the text ends
    };
    for (const char* script : scripts) {
        ResetScriptModel();
        EXPECT_FALSE(LoadScript(script)) << script;
        EXPECT_TRUE(GetScenes().empty()) << script;
    }
    EXPECT_TRUE(log.Messages().empty());
}

TEST_F(LayerManagerTest, RejectedParameterDiscardsTheLayerAndTheScene) {
    EXPECT_FALSE(LoadScript("scene S 0:0:0 1:0:0 { layers { Logo TestProbe { Active = maybe } } } end"));
    EXPECT_TRUE(GetScenes().empty());
}

TEST_F(LayerManagerTest, KeyframeForALayerDeclaredOnlyLaterFails) {
    EXPECT_FALSE(LoadScript("scene S 0:0:0 1:0:0 {\n keyframes { 0:0:0 {\n  Logo Active hold false } }\n"
                            " layers { Logo TestProbe { } } } end"));
    EXPECT_EQ(log.Messages(), std::vector<std::string>{"Couldn't load keyframe for unknown layer 'Logo' on line 3"});
    EXPECT_NE(log.Text().find("CLayerManager::AddKeyframeFromTokeniser]"), std::string::npos);
}

TEST_F(LayerManagerTest, KeyframeGroupsReachTheNamedLayer) {
    ASSERT_TRUE(LoadScript("scene S 0:0:0 10:0:0 { layers { Logo TestProbe { } }\n keyframes {\n"
                           " 0:0:0 { logo Active hold true }\n 1:0:0 { LOGO Active hold false }\n"
                           " 2:0:0 { } } } end"));
    CLayer* logo = GetScenes()[0].layers.FindLayer("Logo");
    ASSERT_TRUE(logo);
    EXPECT_TRUE(logo->active->GetValue(1.0f));
    EXPECT_FALSE(logo->active->GetValue(3.0f));
    ResetScriptModel();
    EXPECT_FALSE(LoadScript("scene S 0:0:0 1:0:0 { layers { Logo TestProbe { } } keyframes { 0:0:0 Logo } } end"));
    ResetScriptModel();
    EXPECT_FALSE(LoadScript("scene S 0:0:0 1:0:0 { layers { Logo TestProbe { } } keyframes { 0:0:0 { 3 } } } end"));
}

TEST_F(LayerManagerTest, CreateLayersStopsAtTheFirstFailure) {
    ASSERT_TRUE(LoadScript("scene S 0:0:0 1:0:0 { layers { A TestProbe { Tag = a } B TestFailCreate { } "
                           "C TestProbe { Tag = c } } } end"));
    EXPECT_FALSE(CreateAllScenes());
    EXPECT_EQ(ProbeLayer::created, std::vector<std::string>{"a"});
    EXPECT_EQ(FailCreateLayer::attempts, 1);
    CLayerManager empty;
    EXPECT_TRUE(empty.CreateLayers(TestState(), Model().resources));
}

class RenderLayersTest : public LayerManagerTest {
protected:
    // The first scene's layers, created (so that the resources their parameters name are found).
    CLayerManager& Layers() {
        CLayerManager& layers = const_cast<CLayerManager&>(GetScenes().at(0).layers);
        if (!created)
            created = layers.CreateLayers(TestState(), Model().resources);
        EXPECT_TRUE(created);
        return layers;
    }
    bool created = false;
};

TEST_F(RenderLayersTest, InactiveLayerDrawsNothingAndBindsNothing) {
    ASSERT_TRUE(LoadScript("resources { RenderTarget Glow half }\n"
                           "scene S 0:0:0 10:0:0 { layers { A TestProbe { Tag = a RenderTarget = Glow } }\n"
                           " keyframes { 0:0:0 { A Active hold true } 1:0:0 { A Active hold false }"
                           " 2:0:0 { A Active hold true } } } end"));
    Layers().RenderLayers(TestState(), 3.0f, 0.02f); // inside the false segment
    EXPECT_TRUE(ProbeLayer::runs.empty());
    EXPECT_TRUE(CallLinesStartingWith(TestDevice(), "SetColourTarget").empty());
    Layers().RenderLayers(TestState(), 5.0f, 0.02f); // after the last keyframe: true again
    EXPECT_EQ(Tags(), std::vector<std::string>{"a"});
}

TEST_F(RenderLayersTest, RenderTargetIsBoundOnlyAroundItsLayer) {
    ASSERT_TRUE(LoadScript("resources { RenderTarget Glow half Texture Sky sky.png }\n"
                           "scene S 0:0:0 10:0:0 { layers { A TestProbe { Tag = a }"
                           " B TestProbe { Tag = b RenderTarget = glow } C TestProbe { Tag = c RenderTarget = Sky }"
                           " D TestProbe { Tag = d RenderTarget = Nowhere } } } end"));
    ASSERT_TRUE(FindRenderTarget("Glow")->Create(TestDevice()));
    Layers();
    TestDevice().ClearCalls();
    Layers().RenderLayers(TestState(), 1.0f, 0.5f);
    ASSERT_EQ(Tags(), (std::vector<std::string>{"a", "b", "c", "d"}));
    EXPECT_FALSE(ProbeLayer::runs[0].targetBound);
    EXPECT_TRUE(ProbeLayer::runs[1].targetBound);
    EXPECT_FALSE(ProbeLayer::runs[2].targetBound); // an image is not a render target
    EXPECT_FALSE(ProbeLayer::runs[3].targetBound);
    EXPECT_EQ(CallLinesStartingWith(TestDevice(), "SetColourTarget"),
              (std::vector<std::string>{"SetColourTarget target", "SetColourTarget back"}));
    EXPECT_FALSE(TestState().renderTargetBound);
}

TEST_F(RenderLayersTest, ConsecutiveLayersOnOneTargetEachBindAndUnbind) {
    ASSERT_TRUE(LoadScript("resources { RenderTarget Glow full }\n"
                           "scene S 0:0:0 10:0:0 { layers { A TestProbe { RenderTarget = Glow }"
                           " B TestProbe { RenderTarget = Glow } } } end"));
    ASSERT_TRUE(FindRenderTarget("Glow")->Create(TestDevice()));
    TestDevice().ClearCalls();
    Layers().RenderLayers(TestState(), 0.0f, 0.0f);
    std::vector<std::string> targets;
    for (const std::string& call : CallLines(TestDevice()))
        if (call == "EndScene" || call == "BeginScene" || call.rfind("SetColourTarget", 0) == 0)
            targets.push_back(call);
    const std::vector<std::string> once{"EndScene", "SetColourTarget target", "BeginScene",
                                        "EndScene", "SetColourTarget back",   "BeginScene"};
    std::vector<std::string> twice = once;
    twice.insert(twice.end(), once.begin(), once.end());
    EXPECT_EQ(targets, twice);
}

TEST_F(RenderLayersTest, EveryLayerStartsFromTheSameRenderState) {
    ASSERT_TRUE(LoadScript("scene S 0:0:0 10:0:0 { layers { A TestProbe { Tag = a MessUp = true }"
                           " B TestProbe { Tag = b } } } end"));
    Layers().RenderLayers(TestState(), 0.25f, 0.125f);
    ASSERT_EQ(ProbeLayer::runs.size(), 2u);
    for (const ProbeRun& run : ProbeLayer::runs) {
        EXPECT_EQ(run.modeOnEntry, RenderMode::None) << run.tag;
        EXPECT_FALSE(run.colourOnEntry) << run.tag;
        EXPECT_EQ(run.worldOnEntry, glm::mat4(1.0f)) << run.tag;
        EXPECT_EQ(run.time, 0.25f);
        EXPECT_EQ(run.delta, 0.125f);
    }
    // The first layer left 2D mode behind, so the reset before the second applied the 3D states again.
    std::vector<std::string> lighting = CallLinesStartingWith(TestDevice(), "SetLighting");
    EXPECT_EQ(lighting, (std::vector<std::string>{"SetLighting 1", "SetLighting 0", "SetLighting 1"}));
}
