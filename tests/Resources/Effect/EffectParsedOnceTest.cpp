// The engine reads an effect file once and hands the device what it found: a malformed file fails
// with the parser's words whatever the device, and a device sees sections and techniques, not text.
#include "Resources/CResourceShader.h"
#include "Support/EngineTest.h"
#include "Support/LogCapture.h"
#include "Testing/TempFolder.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class EffectParsedOnceTest : public EngineTest {
protected:
    int HandedToTheDevice(const std::string& file) const {
        int count = 0;
        for (const RecordedCall& call : TestDevice().calls)
            count += call.name == "CreateEffect" && call.text == file;
        return count;
    }

    LogCapture log;
};

const char* const Lit = "@common\nuniform vec4 g_Colour;\n"
                        "@vertex VS\nvoid main() { gl_Position = vec4(0.0); }\n"
                        "@fragment PS\nout vec4 c;\nvoid main() { c = g_Colour; }\n"
                        "@technique Lit\n@pass vertex=VS fragment=PS\n";

} // namespace

TEST_F(EffectParsedOnceTest, AMalformedEffectFailsWithTheParsersMessageAndNeverReachesTheDevice) {
    data.Write("fx/missing.fx", "@vertex VS\nvoid main() {}\n@technique T\n@pass vertex=VS fragment=Gone\n");
    data.Write("fx/stray.fx", "uniform float x;\n@vertex VS\nvoid main() {}\n");
    ASSERT_TRUE(LoadScript("resources { Shader M fx/missing.fx T { } } end"));
    EXPECT_FALSE(CreateAllResources());
    EXPECT_EQ(log.Count("Failed to create shader"), 1);
    EXPECT_EQ(log.Count("fx/missing.fx: line 4: no @fragment section named 'Gone'"), 1);
    EXPECT_EQ(HandedToTheDevice("fx/missing.fx"), 0);
    EXPECT_FALSE(FindShader("M")->GetEffect());

    ResetScriptModel();
    ASSERT_TRUE(LoadScript("resources { Shader S fx/stray.fx T { } } end"));
    EXPECT_FALSE(CreateAllResources());
    EXPECT_EQ(log.Count("fx/stray.fx: line 1: "), 1) << "one line naming the file once";
    EXPECT_EQ(HandedToTheDevice("fx/stray.fx"), 0);
}

TEST_F(EffectParsedOnceTest, TheDeviceIsHandedTheSectionsAndOnlyTheTechniquesTheFileDeclares) {
    data.Write("fx/lit.fx", Lit);
    ASSERT_TRUE(LoadScript("resources { Shader A fx/lit.fx Lit { } Shader B fx/lit.fx Li { } } end"));
    CreateAllResources();
    ASSERT_EQ(HandedToTheDevice("fx/lit.fx"), 1) << "both declarations share one compile";
    EXPECT_EQ(TestDevice().effectSources.back(), "uniform vec4 g_Colour;\nvoid main() { gl_Position = vec4(0.0); "
                                                 "}\nout vec4 c;\nvoid main() { c = g_Colour; }\n");
    EXPECT_TRUE(FindShader("A")->GetEffect());
    // A name the file only begins with is no technique of it.
    EXPECT_FALSE(FindShader("B")->GetEffect());
    EXPECT_EQ(log.Count("Failed to find technique 'Li' in shader program 'fx/lit.fx'"), 1);
}
