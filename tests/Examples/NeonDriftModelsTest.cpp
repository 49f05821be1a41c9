// The generated models load through the player's own model loader, expand into the vertex buffers
// their faces promise, and find their textures by creating them from the .bmp files beside them.
#include "Base/DataPaths.h"
#include "Resources/CResourceManager.h"
#include "Resources/CResourceModel.h"
#include "Support/CallLines.h"
#include "Support/EngineTest.h"
#include "Support/LogCapture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace {

const std::filesystem::path Built = std::filesystem::path(QV_BINARY_DIR) / "examples/neon-drift";

class NeonDriftModels : public EngineTest {
protected:
    void SetUp() override {
        if (!std::filesystem::exists(Built / "torus.model"))
            GTEST_SKIP() << "the example has not been built";
        ownInit = !DataPaths().Started();
        DataPaths().Start();
        mounted = DataPaths().MountFolder(Built.string());
        ASSERT_TRUE(mounted);
    }
    void TearDown() override {
        if (mounted)
            DataPaths().Unmount(Built.string());
        if (ownInit)
            DataPaths().Stop();
    }
    bool Logged(const std::string& line) const {
        const auto messages = log.Messages();
        return std::find(messages.begin(), messages.end(), line) != messages.end();
    }

    LogCapture log;
    bool ownInit = false, mounted = false;
};

TEST_F(NeonDriftModels, EveryModelLoadsIntoWholeTriangles) {
    for (const char* file : {"torus.model", "tunnel.model", "cube.model", "crystal.model"}) {
        CResourceModel model;
        const size_t buffersBefore = MadeVertexBuffers(TestDevice()).size();
        ASSERT_TRUE(model.LoadModel(file, Model().resources.ModelTextures(TestDevice()), TestDevice())) << file;
        ASSERT_FALSE(model.objects.empty()) << file;
        ASSERT_EQ(MadeVertexBuffers(TestDevice()).size() - buffersBefore, model.objects.size()) << file;
        for (size_t i = 0; i < model.objects.size(); ++i) {
            const ModelObject& o = model.objects[i];
            EXPECT_GT(o.vertexIndices.size(), 0u) << file;
            EXPECT_EQ(MadeVertexBuffers(TestDevice())[buffersBefore + i]->data.size(),
                      o.vertexIndices.size() * 3 * sizeof(ModelVertex))
                << file;
        }
    }
}

TEST_F(NeonDriftModels, MaterialTexturesAreCreatedFromTheirBitmaps) {
    CResourceModel torus, tunnel, again;
    ASSERT_TRUE(torus.LoadModel("torus.model", Model().resources.ModelTextures(TestDevice()), TestDevice()));
    ASSERT_TRUE(tunnel.LoadModel("tunnel.model", Model().resources.ModelTextures(TestDevice()), TestDevice()));
    EXPECT_TRUE(Logged("Couldn't find 'torusskin' texture resource. Auto-creating it.."));
    EXPECT_TRUE(Logged("Couldn't find 'tunnelgrid' texture resource. Auto-creating it.."));
    ASSERT_NE(torus.materials[0].texture, nullptr);
    ASSERT_NE(tunnel.materials[0].texture, nullptr);
    EXPECT_EQ(FindTexture("torusskin"), torus.materials[0].texture);
    // A second model with the same map shares the texture instead of making another.
    ASSERT_TRUE(again.LoadModel("torus.model", Model().resources.ModelTextures(TestDevice()), TestDevice()));
    EXPECT_EQ(again.materials[0].texture, torus.materials[0].texture);
}

} // namespace
