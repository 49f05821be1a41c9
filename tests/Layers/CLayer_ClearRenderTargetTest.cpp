#include "Layers/CLayer_ClearRenderTarget.h"
#include "Layers/CLayer_SpectrumAnalyser.h"
#include "Layers/CLayer_ViewParam.h"
#include "Layers/Layers2DTestSupport.h"

#include "Base/CTokeniser.h"
#include "Params/CParamFloat.h"
#include "Params/CParamInt.h"

namespace {

std::vector<std::string> Names(const CLayer& layer) {
    std::vector<std::string> names;
    for (const ParamEntry& entry : layer.params.GetEntries())
        names.push_back(entry.name);
    return names;
}

class CLayer_ClearRenderTargetTest : public LayerDrawingTest {
protected:
    // The one clear of a frame, or null when none was issued.
    const RecordedCall* ClearOnce() {
        device.ClearCalls();
        Render(layer, 0.0f, 0.0f);
        EXPECT_LE(device.CountCalls("Clear"), 1);
        return device.LastCall("Clear");
    }

    CLayer_ClearRenderTarget layer;
};

} // namespace

TEST(CLayer_ClearRenderTarget, RegistersItsParametersInOrder) {
    EXPECT_EQ(Names(CLayer_ClearRenderTarget()),
              (std::vector<std::string>{"Active", "RenderTarget", "ClearDepth", "ClearDepthValue", "ClearColour",
                                        "ClearColourValue"}));
}

TEST_F(CLayer_ClearRenderTargetTest, DefaultsClearColourToOpaqueBlackAndDepthToFar) {
    const RecordedCall* clear = ClearOnce();
    ASSERT_NE(clear, nullptr);
    EXPECT_EQ(clear->ints[0], ClearTarget | ClearDepth);
    EXPECT_EQ(clear->colour, 0xFF000000u);
    EXPECT_EQ(clear->floats[0], 1.0f);
    // A clear touches neither the render state nor any effect.
    EXPECT_EQ(device.calls.size(), 1u);
}

TEST_F(CLayer_ClearRenderTargetTest, FlagsChooseWhatIsCleared) {
    ASSERT_TRUE(SetParam(layer, "ClearColour = false"));
    ASSERT_TRUE(SetParam(layer, "ClearDepthValue = 0.25"));
    const RecordedCall* clear = ClearOnce();
    ASSERT_NE(clear, nullptr);
    EXPECT_EQ(clear->ints[0], ClearDepth);
    EXPECT_EQ(clear->floats[0], 0.25f);
    EXPECT_EQ(clear->colour, 0u);

    ASSERT_TRUE(SetParam(layer, "ClearColour = true"));
    ASSERT_TRUE(SetParam(layer, "ClearDepth = false"));
    clear = ClearOnce();
    ASSERT_NE(clear, nullptr);
    EXPECT_EQ(clear->ints[0], ClearTarget);
    EXPECT_EQ(clear->floats[0], 0.0f);

    ASSERT_TRUE(SetParam(layer, "ClearColour = false"));
    EXPECT_EQ(ClearOnce(), nullptr);
}

TEST_F(CLayer_ClearRenderTargetTest, ColourIsPackedByTruncationAndWrapsOutsideTheUnitRange) {
    const struct {
        const char* value;
        uint32_t packed;
    } cases[] = {
        {"ClearColourValue = 1 0.5 0 1", 0xFFFF7F00u},
        {"ClearColourValue = 1.2 0 0 1", 0xFF320000u},  // 306 keeps its low byte, 50
        {"ClearColourValue = 0 0 -0.5 1", 0xFF000081u}, // -127 keeps its low byte, 129
        {"ClearColourValue = 0.999 0.0039 1 0", 0x00FE00FFu},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(SetParam(layer, c.value)) << c.value;
        const RecordedCall* clear = ClearOnce();
        ASSERT_NE(clear, nullptr);
        EXPECT_EQ(clear->colour, c.packed) << c.value;
    }
}

TEST_F(CLayer_ClearRenderTargetTest, KeyframedFlagsFollowTheTime) {
    const std::string on = "ClearColour hold true\n", off = "ClearColour hold false\n";
    CMemoryTokeniser first(on.data(), on.size()), second(off.data(), off.size());
    ASSERT_TRUE(layer.params.AddKeyframeFromTokeniser(0.0f, first));
    ASSERT_TRUE(layer.params.AddKeyframeFromTokeniser(2.0f, second));
    Render(layer, 1.0f, 0.0f);
    Render(layer, 3.0f, 0.0f);
    const std::vector<const RecordedCall*> clears = device.Calls("Clear");
    ASSERT_EQ(clears.size(), 2u);
    EXPECT_EQ(clears[0]->ints[0], ClearTarget | ClearDepth);
    EXPECT_EQ(clears[1]->ints[0], ClearDepth);
}

TEST(CLayer_SpectrumAnalyser, HoldsThreeBandsAcrossTheSpectrumAndDrawsNothing) {
    CRecordingDevice device;
    CRenderState state(device);
    CResourceManager resources;
    CLayer_SpectrumAnalyser layer;
    EXPECT_EQ(Names(layer),
              (std::vector<std::string>{"Active", "RenderTarget", "HighlightBand", "FirstBand", "LastBand"}));
    EXPECT_EQ(layer.lastBand->GetValue(0.0f), 511.0f);
    ASSERT_TRUE(SetParam(layer, "FirstBand = 3"));
    EXPECT_EQ(layer.firstBand->GetValue(0.0f), 3.0f);
    ASSERT_TRUE(layer.Create(state, resources));
    device.ClearCalls();
    layer.Render(0.0f, 0.0f);
    EXPECT_TRUE(device.calls.empty());
}

TEST(CLayer_ViewParam, HoldsItsValuesAndDoesNothing) {
    CRecordingDevice device;
    CRenderState state(device);
    CResourceManager resources;
    CLayer_ViewParam layer;
    EXPECT_EQ(Names(layer), (std::vector<std::string>{"Active", "RenderTarget", "Param", "Start", "Finish", "Bands"}));
    EXPECT_EQ(layer.finish->GetValue(0.0f), 10.0f);
    EXPECT_EQ(layer.bands->GetValue(0.0f), 100);
    ASSERT_TRUE(SetParam(layer, "Bands = 12"));
    device.ClearCalls();
    EXPECT_TRUE(layer.Create(state, resources));
    layer.Render(0.0f, 0.0f);
    EXPECT_TRUE(device.calls.empty());
}
