#include "Layers/CLayer.h"
#include "Params/CParamBool.h"
#include "Support/CallLines.h"
#include "Support/EngineTest.h"
#include "Support/LogCapture.h"
#include "Support/TestLayers.h"

#include <gtest/gtest.h>

namespace {

class SceneManagerTest : public EngineTest {
protected:
    void SetUp() override { ProbeLayer::runs.clear(); }

    // Runs the scenes at t and returns the tags of the layers that ran.
    std::vector<std::string> RunAt(float t, float delta = 0.04f) {
        if (!created)
            created = CreateAllScenes();
        EXPECT_TRUE(created);
        ProbeLayer::runs.clear();
        RenderScenes(t, delta);
        std::vector<std::string> tags;
        for (const ProbeRun& run : ProbeLayer::runs)
            tags.push_back(run.tag);
        return tags;
    }

    LogCapture log;
    bool created = false;
};

using Tags = std::vector<std::string>;

} // namespace

TEST_F(SceneManagerTest, RunsOnlyInsideItsHalfOpenRange) {
    // With 120 beats per minute and four beats a bar, 1:0:0 is 2 s and 2:2:0 is 5 s.
    ASSERT_TRUE(LoadScript("scene Intro 1:0:0 2:2:0 { layers { A TestProbe { Tag = a } } } end"));
    const Scene& scene = GetScenes().at(0);
    EXPECT_EQ(scene.startTime, 2.0f);
    EXPECT_EQ(scene.endTime, 5.0f);

    EXPECT_EQ(RunAt(1.9f), Tags{});
    EXPECT_EQ(RunAt(2.0f), Tags{"a"});
    EXPECT_EQ(ProbeLayer::runs[0].time, 0.0f);
    EXPECT_EQ(ProbeLayer::runs[0].delta, 0.0f);
    EXPECT_EQ(RunAt(4.99f), Tags{"a"});
    EXPECT_FLOAT_EQ(ProbeLayer::runs[0].time, 2.99f);
    EXPECT_EQ(RunAt(5.0f), Tags{});
}

TEST_F(SceneManagerTest, DeltaNeverExceedsTheTimeTheSceneHasRun) {
    ASSERT_TRUE(LoadScript("scene Intro 1:0:0 9:0:0 { layers { A TestProbe { } } } end"));
    RunAt(2.01f, 0.04f);
    ASSERT_EQ(ProbeLayer::runs.size(), 1u);
    EXPECT_NEAR(ProbeLayer::runs[0].delta, 0.01f, 1e-6f);
    RunAt(3.0f, 0.04f);
    EXPECT_EQ(ProbeLayer::runs[0].delta, 0.04f);
}

TEST_F(SceneManagerTest, OverlappingScenesRunInDeclarationOrderAndEmptyRangesNever) {
    ASSERT_TRUE(LoadScript("scene First 0:0:0 4:0:0 { layers { A TestProbe { Tag = first } } }\n"
                           "scene Second 1:0:0 6:0:0 { layers { A TestProbe { Tag = second } } }\n"
                           "scene Backwards 3:0:0 2:0:0 { layers { A TestProbe { Tag = never } } }\n"
                           "scene Empty 0:0:0 0:0:0 { layers { A TestProbe { Tag = never } } }\n"
                           "scene NoLayers 0:0:0 9:0:0 { } end"));
    EXPECT_EQ(RunAt(1.0f), Tags{"first"});
    EXPECT_EQ(RunAt(5.0f), (Tags{"first", "second"}));
    EXPECT_EQ(RunAt(8.0f), Tags{"second"});
    EXPECT_EQ(RunAt(0.0f), Tags{"first"});
}

TEST_F(SceneManagerTest, KeyframeTimesAreMeasuredFromTheSceneStart) {
    // The scene starts at 4:0:0 (8 s); its layer switches off at local 1:0:0, that is 10 s.
    ASSERT_TRUE(LoadScript("scene Late 4:0:0 9:0:0 { layers { A TestProbe { Tag = a } }\n"
                           " keyframes { 0:0:0 { A Active hold true } 1:0:0 { A Active hold false } } } end"));
    EXPECT_EQ(RunAt(9.0f), Tags{"a"});
    EXPECT_EQ(RunAt(11.0f), Tags{});
}

TEST_F(SceneManagerTest, SceneTimesUseTheTempoInForceWhenRead) {
    ASSERT_TRUE(LoadScript("system { Bpm = 60 Beats = 3 }\nscene S 1:1:0 2:0:0 { } end"));
    EXPECT_EQ(GetScenes()[0].startTime, 4.0f);
    EXPECT_EQ(GetScenes()[0].endTime, 6.0f);
}

TEST_F(SceneManagerTest, DuplicateSceneNameIsReportedBeforeItsTimes) {
    EXPECT_FALSE(LoadScript("scene INTRO 0:0:0 1:0:0 { }\nscene Intro nonsense { } end"));
    EXPECT_EQ(log.Messages(), Tags{"Scene name 'Intro' already exists"});
    EXPECT_NE(log.Text().find("CSceneManager::LoadFromTokeniser] Scene name"), std::string::npos);
    EXPECT_EQ(GetScenes().size(), 1u);
    EXPECT_EQ(Model().scenes.FindScene("intro"), &GetScenes()[0]);
    EXPECT_EQ(Model().scenes.FindScene("Outro"), nullptr);
}

TEST_F(SceneManagerTest, MalformedScenesFailSilently) {
    const char* scripts[] = {
        "scene 12 0:0:0 1:0:0 { } end",                        // name is not a word
        "scene S 0:0:0 { } end",                               // end time missing
        "scene S 1:4:0 2:0:0 { } end",                         // beat out of range
        "scene S 0:0:0 1:0:96 { } end",                        // tick out of range
        "scene S 0:0:0 1:0:0 layers { } end",                  // no body brace
        "scene S 0:0:0 1:0:0 { sprites { } } end",             // unknown sub-block
        "scene S 0:0:0 1:0:0 { 5 } end",                       // a number in the body
        "scene S 0:0:0 1:0:0 { keyframes { Logo } } end",      // a word where a time is due
        "scene S 0:0:0 1:0:0 { keyframes { 0:4:0 { } } } end", // refused keyframe time
        "scene S 0:0:0 1:0:0 { keyframes 0:0:0 } end",         // no keyframes brace
        "scene S 0:0:0 1:0:0 { layers { } ",                   // the text ends
    };
    for (const char* script : scripts) {
        ResetScriptModel();
        EXPECT_FALSE(LoadScript(script)) << script;
        EXPECT_TRUE(GetScenes().empty()) << script;
    }
    EXPECT_TRUE(log.Messages().empty());
}

TEST_F(SceneManagerTest, SubBlockWordsIgnoreLetterCase) {
    EXPECT_TRUE(LoadScript("SCENE S 0:0:0 1:0:0 { Layers { A TestProbe { } } KEYFRAMES { } layers { } } end"));
    EXPECT_EQ(GetScenes()[0].layers.GetLayers().size(), 1u);
}

TEST_F(SceneManagerTest, CreateAllScenesStopsAtTheFirstFailingScene) {
    ProbeLayer::created.clear();
    FailCreateLayer::attempts = 0;
    ASSERT_TRUE(LoadScript("scene A 0:0:0 1:0:0 { layers { P TestProbe { Tag = one } } }\n"
                           "scene B 0:0:0 1:0:0 { layers { F TestFailCreate { } } }\n"
                           "scene C 0:0:0 1:0:0 { layers { P TestProbe { Tag = three } } } end"));
    EXPECT_FALSE(CreateAllScenes());
    EXPECT_EQ(ProbeLayer::created, Tags{"one"});
    ResetScriptModel();
    EXPECT_TRUE(CreateAllScenes());
}

TEST_F(SceneManagerTest, ManyScenesLayersAndKeyframeLinesAreFoundByNameInAnyLetterCase) {
    std::string script;
    for (int i = 0; i < 20000; ++i)
        script += "scene Scene" + std::to_string(i) + " 0:0:0 1:0:0 { }\n";
    script += "scene Busy 0:0:0 1:0:0 { layers {";
    for (int i = 0; i < 5000; ++i)
        script += " L" + std::to_string(i) + " Wire { }";
    script += " } keyframes {";
    for (int i = 0; i < 5000; ++i)
        script += " 0:0:" + std::to_string(i % 10) + " { l" + std::to_string(4999 - i) + " Active hold false }";
    script += " } }\nscene scene19999 0:0:0 1:0:0 { }\nend\n";
    EXPECT_FALSE(LoadScript(script));
    EXPECT_TRUE(log.Contains("Scene name 'scene19999' already exists"));

    ResetScriptModel();
    ASSERT_TRUE(LoadScript(script.substr(0, script.rfind("scene scene19999")) + "end\n"));
    ASSERT_TRUE(Model().scenes.FindScene("SCENE12345"));
    EXPECT_EQ(Model().scenes.FindScene("scene12345")->name, "Scene12345");
    const Scene* busy = Model().scenes.FindScene("busy");
    ASSERT_TRUE(busy);
    ASSERT_TRUE(busy->layers.FindLayer("l4321"));
    EXPECT_EQ(busy->layers.FindLayer("l4321")->name, "L4321");
    EXPECT_EQ(busy->layers.GetLayers()[4321].layer.get(), busy->layers.FindLayer("L4321"));
    // Every layer got its keyframe.
    for (const char* name : {"L0", "L2500", "L4999"})
        EXPECT_EQ(busy->layers.FindLayer(name)->active->GetKeyframes().size(), 1u) << name;
    EXPECT_EQ(Model().budget.Used(), 20001 * CMemoryBudget::SceneBytes + 5000 * CMemoryBudget::LayerBytes +
                                         5000 * CMemoryBudget::KeyframeBytes);
}

TEST_F(SceneManagerTest, LayersAreChargedAsTheyAreReadAndTheFirstOverTheLimitStopsTheScript) {
    ResetScriptModel(PresentationLimits{1, false}); // room for the scene and 255 layers
    std::string script = "scene S 0:0:0 1:0:0 { layers {";
    for (int i = 0; i < 300; ++i)
        script += " L" + std::to_string(i) + " 2DImage { }";
    EXPECT_FALSE(LoadScript(script + " } }\nend\n"));
    EXPECT_EQ(Model().budget.Failure(), "The presentation needs more memory than the limit of 1 MiB (at layer 'L255')");
}

TEST_F(SceneManagerTest, AFrameWhoseDrawsCouldPassTheBoundIsRefusedAtTheLayerThatPassesIt) {
    // A row of 1920 copies a unit apart, with a 64-pass effect, in a hundred overlapping scenes:
    // twelve million draws, under the bound.
    TestDevice().techniquePasses["DefaultTextured"] = 64;
    std::string script;
    for (int i = 0; i < 100; ++i)
        script += "scene S" + std::to_string(i) +
                  " 0:0:0 1:0:0 { layers { Row 2DMultipleImage { Repeats = 1920 StepPosition = 1 0 } } }\n";
    ASSERT_TRUE(LoadScript(script + "end\n"));
    ASSERT_TRUE(CreateAllResources());
    EXPECT_TRUE(CreateAllScenes());
    EXPECT_EQ(Model().scenes.Refusal(), "");

    // Forty more rows of a keyframed length, in one scene, pass it.
    ResetScriptModel();
    TestDevice().techniquePasses["DefaultTextured"] = 64;
    script += "scene Last 0:0:0 1:0:0 { layers {";
    for (int i = 0; i < 40; ++i)
        script += " R" + std::to_string(i) + " 2DMultipleImage { Repeats = 10 }";
    script += " } keyframes { 0:1:0 {";
    for (int i = 0; i < 40; ++i)
        script += " R" + std::to_string(i) + " Repeats linear 1920";
    ASSERT_TRUE(LoadScript(script + " } } }\nend\n"));
    ASSERT_TRUE(CreateAllResources());
    EXPECT_FALSE(CreateAllScenes());
    // 100 + 37 rows of 122880 draws are 16834560, the first past 16777216.
    const std::string refusal = "A frame would draw more than 16777216 times (layers x effect passes x copies), at "
                                "layer 'R36' of scene 'Last'";
    EXPECT_EQ(Model().scenes.Refusal(), refusal);
    EXPECT_TRUE(log.Contains(refusal));
}

// One keyframe leaves a blended value at its base: said with the line to look at, and the spectrum
// panel marks no band for it; a whole number or a word steps to its one keyframe, so nothing is said.
TEST_F(SceneManagerTest, ALoneKeyframeThatDoesNothingIsReportedAndMarksNoBand) {
    ASSERT_TRUE(LoadScript("scene S 0:0:0 4:0:0 {\n"
                           "  layers { Row 2DMultipleImage { } Probe TestProbe { } }\n"
                           "  keyframes {\n"
                           "    0:0:0 { Row StartRotation linear 5 Row Repeats hold 3\n"
                           "            Probe Tag hold b }\n"
                           "    1:0:0 { Row StepRotation spectrum 0 7 2 Row Repeats hold 4 }\n"
                           "    2:0:0 { Row StepRotation spectrum 1 9 2 }\n"
                           "    3:0:0 { Row StartScale linear 1 1 }\n"
                           "  }\n"
                           "} end"));
    EXPECT_TRUE(log.Has("Parameter 'StartRotation' of layer 'Row' has a single keyframe on line 4: it takes effect "
                        "from two keyframes"));
    EXPECT_TRUE(log.Has("Parameter 'StartScale' of layer 'Row' has a single keyframe on line 8: it takes effect "
                        "from two keyframes"));
    EXPECT_FALSE(log.Has("Parameter 'StepRotation'"));
    EXPECT_FALSE(log.Has("Parameter 'Repeats'"));
    EXPECT_FALSE(log.Has("Parameter 'Tag'"));

    std::vector<int> bands;
    for (const ParamEntry& param : GetScenes().at(0).layers.FindLayer("Row")->params.GetEntries())
        param.param->AddSpectrumBands(bands);
    EXPECT_EQ(bands, (std::vector<int>{7, 9}));

    ASSERT_TRUE(LoadScript("scene T 0:0:0 4:0:0 { layers { Row 2DMultipleImage { } }\n"
                           "  keyframes { 1:0:0 { Row StepRotation spectrum 0 7 2 } } } end"));
    bands.clear();
    for (const ParamEntry& param : GetScenes().at(1).layers.FindLayer("Row")->params.GetEntries())
        param.param->AddSpectrumBands(bands);
    EXPECT_TRUE(bands.empty());
}
