// The example's effect files compile on the OpenGL device and offer the techniques its script
// draws with. A typo in a shader otherwise only shows when the presentation is started.
#include "Platform/CEffect.h"
#include "Platform/CGraphicsDevice.h"
#include "Platform/Platform.h"
#include "Support/ParsedEffect.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

const std::filesystem::path Example = std::filesystem::path(QV_SOURCE_DIR) / "examples/neon-drift";

TEST(NeonDriftEffects, EveryEffectCompilesWithTheTechniquesTheScriptUses) {
    auto window = CreateMainWindow("quorin-vanto tests", 64, 64, false, true);
    if (!window)
        GTEST_SKIP() << "no window can be made here";
    auto device = CreateGraphicsDevice(*window, GraphicsDeviceOptions{64, 64, 0, 256, false});
    if (!device)
        GTEST_SKIP() << "no OpenGL 3.3 context can be made here";

    const std::pair<const char*, std::vector<const char*>> effects[] = {{"glow.fx", {"Glow"}},
                                                                        {"tunnel.fx", {"Tunnel"}},
                                                                        {"lit.fx", {"LitTextured", "Lit"}},
                                                                        {"wire.fx", {"Wire"}},
                                                                        {"crt.fx", {"Crt"}}};
    for (const auto& [file, techniques] : effects) {
        std::ifstream in(Example / file);
        ASSERT_TRUE(in) << file;
        std::stringstream text;
        text << in.rdbuf();
        std::string errors;
        auto effect = device->CreateEffect(ParsedEffect(text.str()), file, errors);
        ASSERT_TRUE(effect) << file << ":\n" << errors;
        for (const char* technique : techniques) {
            EXPECT_TRUE(effect->SetTechnique(technique)) << file << " has no technique " << technique;
            EXPECT_EQ(effect->Begin(), 1) << file << " " << technique;
            effect->End();
        }
    }
}

} // namespace
