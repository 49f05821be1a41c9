#include "Base/CTokeniser.h"
#include "Layers/CLayer.h"
#include "Params/CParamBool.h"
#include "Params/CParamString.h"
#include "Render/CRenderState.h"
#include "Resources/CResourceManager.h"
#include "Testing/CRecordingDevice.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

const std::vector<std::string> kStandardTypes = {"2DImage",
                                                 "2DMultipleImage",
                                                 "3DCameraOrbit",
                                                 "3DDebugCamera",
                                                 "3DGlobalAmbient",
                                                 "3DModel",
                                                 "3DSimpleLightRig",
                                                 "ClearRenderTarget",
                                                 "SpectrumAnalyser",
                                                 "ViewParam",
                                                 "Greets",
                                                 "Tunnel",
                                                 "Wire"};

} // namespace

TEST(LayerTypes, TheThirteenStandardTypesComeFirstInTheirFixedOrder) {
    const auto& registry = GetLayerTypeRegistry();
    ASSERT_GE(registry.size(), kStandardTypes.size());
    for (size_t i = 0; i < kStandardTypes.size(); ++i)
        EXPECT_EQ(registry[i].name, kStandardTypes[i]) << "entry " << i;
}

TEST(LayerTypes, EveryTypeMakesLayersWithValuesOfTheirOwnAndTheCommonParametersFirst) {
    for (const std::string& name : kStandardTypes) {
        std::string lower = name;
        for (char& c : lower)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        std::unique_ptr<CLayer> a(CreateLayerByType(name));
        std::unique_ptr<CLayer> b(CreateLayerByType(lower));
        ASSERT_TRUE(a) << name;
        ASSERT_TRUE(b) << lower;
        // Two layers of one type never share a value: switching one off leaves the other on.
        CMemoryTokeniser off("= false\n", 8);
        ASSERT_TRUE(b->params.SetValueFromTokeniser(off, "Active")) << name;
        EXPECT_FALSE(b->active->GetValue(0.0f)) << name;

        const auto& entries = a->params.GetEntries();
        ASSERT_GE(entries.size(), 2u) << name;
        EXPECT_EQ(entries[0].name, "Active");
        EXPECT_EQ(entries[1].name, "RenderTarget");
        EXPECT_TRUE(a->active->GetValue(0.0f));
        EXPECT_EQ(a->renderTarget->GetValue(0.0f), "");
        CRecordingDevice device;
        CRenderState state(device);
        CResourceManager resources;
        EXPECT_TRUE(a->Create(state, resources)) << name;
    }
}

TEST(LayerTypes, UnknownOrPaddedNamesMakeNothing) {
    EXPECT_EQ(CreateLayerByType("Image2D"), nullptr);
    EXPECT_EQ(CreateLayerByType(""), nullptr);
    EXPECT_EQ(CreateLayerByType(" 2DImage"), nullptr);
}
