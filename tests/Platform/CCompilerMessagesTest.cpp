#include "Platform/gl/CCompilerMessages.h"

#include <gtest/gtest.h>

TEST(CCompilerMessages, TheFirstErrorsLineInEachDriversFormat) {
    // Mesa, NVIDIA, AMD and Intel on Windows; warnings before the error do not count.
    EXPECT_EQ(CCompilerMessages::FirstErrorLine("0:30(55): warning: `x' used uninitialized\n"
                                                "0:27(38): error: `nothing' undeclared\n"
                                                "0:29(2): error: second\n"),
              27);
    EXPECT_EQ(CCompilerMessages::FirstErrorLine("0(31) : warning C7050: \"x\" might be used\n"
                                                "0(27) : error C1008: undefined variable \"nothing\"\n"),
              27);
    EXPECT_EQ(CCompilerMessages::FirstErrorLine("WARNING: 0:30: 'x' : unused\nERROR: 0:27: 'nothing' : "
                                                "undeclared identifier\nERROR: 1 compilation errors.\n"),
              27);
    // After the name of what was compiled, on the same line.
    EXPECT_EQ(CCompilerMessages::FirstErrorLine("fx/glow.fx, @fragment PS: 0(12) : error C1008: x"), 12);
    // Only warnings: the first of them; nothing that looks like a line: 0.
    EXPECT_EQ(CCompilerMessages::FirstErrorLine("0:8(3): warning: unused\n"), 8);
    EXPECT_EQ(CCompilerMessages::FirstErrorLine("link failed: too many varyings\n1.0 and 2(3) apart"), 0);
}

TEST(CCompilerMessages, LinesAreMappedInEveryFormatAndUnmappedOnesStay) {
    auto plusTen = [](int line) { return line == 99 ? 0 : line + 10; };
    EXPECT_EQ(CCompilerMessages::MapLines("0:3(38): error: a\n0(4) : error C1: b\nERROR: 0:5: c\n0:99(1): error: d\n",
                                          plusTen),
              "0:13(38): error: a\n0(14) : error C1: b\nERROR: 0:15: c\n0:99(1): error: d\n");
}
