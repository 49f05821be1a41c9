#include "Resources/Effect/CMacroExpansionBound.h"
#include "Resources/CResourceShader.h"
#include "Resources/Effect/CEffectParser.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// `levels` macros, each twice the one before: D<levels> is 2^levels tokens.
std::string Doubling(int levels, const std::string& first = "#define D0 x\n") {
    std::string text = first;
    for (int i = 1; i <= levels; ++i)
        text += "#define D" + std::to_string(i) + " D" + std::to_string(i - 1) + " D" + std::to_string(i - 1) + "\n";
    return text;
}

std::string Refusal(const std::string& text) {
    std::string error;
    return CMacroExpansionBound::Check(text, error) ? std::string() : error;
}

} // namespace

TEST(CMacroExpansionBound, OrdinaryEffectsPass) {
    const char* const effects[] = {
        BuiltInEffectText,
        "@common\n#define PI 3.14159\n#define TAPS 8\n#define SQUARE(x) ((x) * (x))\n"
        "#define TAP(i) colour += texture(g_Texture, uv + vec2(i, 0) / 512.0) * SQUARE(float(i) / TAPS);\n"
        "#define TAPS4(i) TAP(i) TAP(i + 1) TAP(i + 2) TAP(i + 3)\n"
        "#ifdef GL_ES\n#define PRECISION mediump\n#else\n#define PRECISION\n#endif\n"
        "@fragment PS\nvoid main() { vec4 colour = vec4(0); TAPS4(0) TAPS4(4) out_Colour = colour * PI; }\n",
        // Defined after their first use, referring to themselves, or to each other in a circle: the
        // preprocessor stops at a name already being expanded.
        "#define LATE EARLIER EARLIER\n#define EARLIER 1.0\n#define x (x + 1)\n#define A B B\n#define B A A\n",
    };
    for (const char* effect : effects)
        EXPECT_EQ(Refusal(effect), "") << effect;
}

TEST(CMacroExpansionBound, SelfDoublingDefinesAreRefusedAtTheFirstThatIsTooLarge) {
    // A kilobyte that expands to 2^40 tokens. D21 is 2^21 tokens of two bytes, 4 MiB exactly; D22 passes it.
    EXPECT_EQ(Refusal(Doubling(40)), "line 23: the macro 'D22' would expand to more than 4 MiB of text");
    EXPECT_EQ(Refusal(Doubling(20)), "");
    // Comments and continued lines are no way around it.
    EXPECT_NE(Refusal(Doubling(40, "#define D0 /* a comment\n across lines */ x \\\n x\n")), "");
}

TEST(CMacroExpansionBound, DoublingThroughArgumentsIsRefused) {
    const std::string twice = "#define F(a) a a\n";
    std::string nested = "x";
    for (int i = 0; i < 24; ++i)
        nested = "F(" + nested + ")";
    // Calls nested in the text, through a function-like macro of calls, through an alias of the
    // function's name, and through tokens pasted into the names of the doubling macros.
    const std::string cases[] = {
        twice + "float f = " + nested + ";\n",
        twice + "#define G(a) F(F(F(F(a))))\n#define H(a) G(G(G(a)))\n#define I(a) H(H(a))\nI(x)\n",
        twice + "#define CALL F\n#define J(a) CALL(CALL(CALL(CALL(CALL(CALL(CALL(CALL(a))))))))\n"
                "J(J(J(x)))\n",
        "#define CAT(a, b) a##b\n" + Doubling(3) + "#define E4 CAT(D, 3) CAT(D, 3)\n" +
            "#define E5 CAT(E, 4) CAT(E, 4)\n#define E6 CAT(E, 5) CAT(E, 5)\n#define E7 CAT(E, 6) CAT(E, 6)\n"
            "#define E8 CAT(E, 7) CAT(E, 7)\n#define E9 CAT(E, 8) CAT(E, 8)\n#define E10 CAT(E, 9) CAT(E, 9)\n"
            "#define E11 CAT(E,10) CAT(E,10)\n#define E12 CAT(E,11) CAT(E,11)\n#define E13 CAT(E,12) CAT(E,12)\n"
            "#define E14 CAT(E,13) CAT(E,13)\n#define E15 CAT(E,14) CAT(E,14)\n#define E16 CAT(E,15) CAT(E,15)\n"
            "#define E17 CAT(E,16) CAT(E,16)\n#define E18 CAT(E,17) CAT(E,17)\n#define E19 CAT(E,18) CAT(E,18)\n"
            "#define E20 CAT(E,19) CAT(E,19)\n#define E21 CAT(E,20) CAT(E,20)\n#define E22 CAT(E,21) CAT(E,21)\n",
    };
    for (const std::string& text : cases)
        EXPECT_NE(Refusal(text), "") << text;
}

TEST(CMacroExpansionBound, ManyUsesOfAModestMacroAreRefusedWhereTheTextPassesTheLimit) {
    std::string text = Doubling(10) + "@fragment PS\n"; // D10: 1024 tokens, 2 KiB
    for (int line = 0; line < 3000; ++line)
        text += "D10\n";
    // 2 KiB a line: the 2049th use passes 4 MiB; the directive line does not count as GLSL.
    EXPECT_EQ(Refusal(text), "line 2061: with its macros expanded, the effect would come to more than 4 MiB of text");
}

TEST(CEffectParser, AStageWithoutMainIsRefusedByName) {
    const std::string vertex = "@vertex VS\nvoid main() {}\n";
    const std::string fragment = "@fragment PS\nout vec4 c;\nvoid main() { c = vec4(1); }\n";
    const std::string pass = "@technique T\n@pass vertex=VS fragment=PS\n";
    struct Case {
        std::string text, error;
    } cases[] = {
        {"@vertex VS\nvoid notmain() {} // main\n" + fragment + pass,
         "line 1: the @vertex section 'VS' has no main function"},
        {vertex + "@fragment PS\n/* void main() */\n" + pass,
         "line 3: the @fragment section 'PS' has no main function"},
        {"@common\n#define ENTRY main\n@vertex VS\nvoid ENTRY() {}\n" + fragment + pass, ""},
    };
    for (const Case& c : cases) {
        EffectDescription source;
        std::string error;
        EXPECT_EQ(CEffectParser::Parse(c.text, source, error), c.error.empty()) << c.text;
        EXPECT_EQ(error, c.error);
    }
}

TEST(CMacroExpansionBound, StatementsOfThousandsOfOperatorsAreRefusedThroughMacrosOrWrittenOut) {
    // 2^14 additions from fifteen short lines, and 20,000 written out: the driver's compiler would
    // recurse once per operator.
    std::string doubling = "#define X0 1.0\n";
    for (int i = 1; i <= 14; ++i)
        doubling +=
            "#define X" + std::to_string(i) + " X" + std::to_string(i - 1) + "+X" + std::to_string(i - 1) + "\n";
    EXPECT_EQ(Refusal(doubling + "float f = X14;\n"),
              "line 16: a statement with more than 4096 operators (its macros expanded), deeper than a graphics "
              "driver can compile");
    // Defined but used only in small pieces, the macros pass.
    EXPECT_EQ(Refusal(doubling + "float f = X11;\nfloat g = X11;\n"), "");
    std::string sum = "float f = 1.0";
    for (int i = 1; i < 20000; ++i)
        sum += "+1.0";
    EXPECT_NE(Refusal("void main() {\n" + sum + ";\n}\n"), "");
    // Through a function-like macro's argument too.
    EXPECT_NE(Refusal(doubling + "#define TWICE(a) (a)*(a)\nfloat f = TWICE(X13);\n"), "");
}

TEST(CMacroExpansionBound, LongProgramsAndTablesOfConstructorsPass) {
    // Many statements of a few operators each, and a table whose entries are calls separated by commas.
    std::string body = "void main() {\n";
    for (int i = 0; i < 5000; ++i)
        body += "  v = v * 0.5 + vec3(0.25, -0.5, 1.0) - w.xyz;\n";
    body += "}\nconst vec3 table[4096] = vec3[](";
    for (int i = 0; i < 4096; ++i)
        body += std::string(i ? ", " : "") + "vec3(0.1, 0.2, 0.3)";
    body += ");\n";
    EXPECT_EQ(Refusal(body), "");
    // A for header is one statement, its three parts together.
    EXPECT_EQ(Refusal("for (int i = 0; i < 8; ++i) { x += a[i] * b[i]; }\n"), "");
}
