#include "Resources/Effect/CEffectParser.h"
#include "Resources/CResourceShader.h"

#include <gtest/gtest.h>

TEST(CEffectParser, BuiltInEffectHasBothTechniquesOfOnePass) {
    EffectDescription source;
    std::string error;
    ASSERT_TRUE(CEffectParser::Parse(BuiltInEffectText, source, error)) << error;
    for (const char* name : {"DefaultTextured", "DefaultNonTextured"}) {
        const EffectTechnique* t = source.FindTechnique(name);
        ASSERT_TRUE(t) << name;
        EXPECT_EQ(t->passes.size(), 1u);
    }
    ASSERT_EQ(source.samplers.size(), 1u);
    EXPECT_EQ(source.samplers[0].filter, TextureFilter::Linear);
}

TEST(CEffectParser, SectionsKeepTheirTextAndFirstLine) {
    const std::string text =
        "// header comment-free\r\n\r\n@common\r\nuniform float a;\r\n@vertex V\r\nvoid main() {}\r\n"
        "@fragment F\r\nvoid main() {}\r\n@technique T\r\n@pass fragment=F vertex=V\r\n"
        "@pass vertex=V fragment=F\r\n";
    EffectDescription source;
    std::string error;
    EXPECT_FALSE(CEffectParser::Parse(text, source, error)) << "text before the first section";
    EXPECT_NE(error.find("line 1"), std::string::npos) << error;

    ASSERT_TRUE(CEffectParser::Parse(text.substr(text.find("\r\n") + 2), source, error)) << error;
    ASSERT_EQ(source.common.size(), 1u);
    EXPECT_EQ(source.common[0].text, "uniform float a;\n");
    EXPECT_EQ(source.common[0].firstLine, 3);
    EXPECT_EQ(source.FindVertex("V")->firstLine, 5);
    EXPECT_EQ(source.FindVertex("V")->text, "void main() {}\n");
    EXPECT_EQ(source.FindTechnique("T")->passes.size(), 2u);
    EXPECT_EQ(source.FindTechnique("T")->passes[0].vertex, "V");
}

TEST(CEffectParser, MalformedEffectsNameTheirLine) {
    const std::string stages = "@vertex V\nx\n@fragment F\ny\n";
    struct Case {
        std::string text;
        std::string expect;
    } cases[] = {
        {stages + "@technique T\n@pass vertex=V fragment=G\n", "line 6: no @fragment section named 'G'"},
        {stages + "@technique T\n@pass vertex=V\n", "line 6"},
        {stages + "@technique T\n@pass vertex=V fragment=F colour=red\n", "line 6"},
        {stages + "@pass vertex=V fragment=F\n", "line 5: @pass outside a technique"},
        {stages + "@technique T\n", "technique 'T' has no @pass"},
        {stages, "no @technique"},
        {stages + "@vertex V\n", "line 5: a second @vertex section named 'V'"},
        {stages + "@technique T\n@pass vertex=V fragment=F\nstray text\n", "line 7"},
        {stages + "@geometry G\n", "line 5: unknown directive '@geometry'"},
        {stages + "@sampler g_Texture filter=cubic\n", "line 5"},
        {"@vertex\n", "line 1"},
        {"@\n", "line 1"},
    };
    for (const Case& c : cases) {
        EffectDescription source;
        std::string error;
        EXPECT_FALSE(CEffectParser::Parse(c.text, source, error)) << c.text;
        EXPECT_NE(error.find(c.expect), std::string::npos) << c.text << " gave: " << error;
    }
}
