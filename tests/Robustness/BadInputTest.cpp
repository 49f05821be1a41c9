// Every kind of bad input a user can hand the program, run end to end: what the user is told on
// standard error (the error box's text), the detail in debug.log with the Log option, and the exit
// status. docs/bad-input.md lists the same rows; a row there without a test here is a bug.
#include "Support/PngHeader.h"
#include "Support/ProgramRun.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <sys/stat.h>
#include <utility>
#include <vector>

namespace {

struct BadInput {
    const char* name;
    std::vector<std::pair<std::string, std::string>> files; // written under the test directory
    std::vector<std::string> args;                          // the command line after the program
    std::string userLine;                                   // a whole line of standard error
    std::string logStart;                                   // the start of a debug.log message; empty: none
    int status = 1;
    bool wholeMessage = false; // logStart is the whole message
    // What plain files cannot say: a FIFO, a symlink (`path` names it, under the test directory).
    std::function<void(const TempFolder& dir)> prepare = nullptr;
};

BadInput WholeMessage(BadInput c) {
    c.wholeMessage = true;
    return c;
}

// `c` with its data file `path` made a FIFO: opening one waits for a writer that never comes.
BadInput AsFifo(BadInput c, const std::string& path) {
    c.prepare = [path](const TempFolder& dir) {
        std::filesystem::create_directories((dir / path).parent_path());
        ASSERT_EQ(mkfifo((dir / path).c_str(), 0600), 0);
    };
    c.wholeMessage = true;
    return c;
}

// `c` with its data file `path` a symlink to a regular file beside it.
BadInput AsSymlink(BadInput c, const std::string& path) {
    c.prepare = [path](const TempFolder& dir) {
        ASSERT_TRUE(dir.Write(path + ".real", "whatever it holds"));
        std::filesystem::create_symlink(std::filesystem::path(path).filename().string() + ".real", dir / path);
    };
    c.wholeMessage = true;
    return c;
}

// `c` with a folder where its data file `path` should be.
BadInput AsFolder(BadInput c, const std::string& path) {
    c.files.push_back({path + "/inside.txt", ""});
    c.wholeMessage = true;
    return c;
}

void PrintTo(const BadInput& c, std::ostream* os) { *os << c.name; }

const std::string Script = "system { AppName = \"Bad\" }\n";

std::vector<BadInput> CommandLineCases() {
    return {
        {"UnknownOption",
         {},
         {"Log", "Frobnicate"},
         "Failed to parse the command line",
         "Unknown command line argument 'Frobnicate'"},
        {"ValueOutOfRange",
         {},
         {"Log", "Width", "-5"},
         "Failed to parse the command line",
         "Invalid value '-5' for command line option 'Width': expected a number from 1 to 16384"},
        {"ValueNotANumber",
         {},
         {"Log", "Volume", "loud"},
         "Failed to parse the command line",
         "Invalid value 'loud' for command line option 'Volume': expected a number from 0 to 1"},
        {"MissingValue",
         {},
         {"Log", "AntiAlias"},
         "Failed to parse the command line",
         "Missing value for command line option 'AntiAlias'"},
        {"CaptureEndBeforeStart",
         {},
         {"Log", "Check", "CaptureStart", "5", "CaptureEnd", "2"},
         "Failed to parse the command line",
         "Invalid value for command line option 'CaptureEnd': it must be later than CaptureStart"},
        {"CaptureStartOutOfRange",
         {},
         {"Log", "Check", "CaptureStart", "20000000"},
         "Failed to parse the command line",
         "Invalid value '20000000' for command line option 'CaptureStart': expected a number of seconds from 0 to "
         "10000000"},
        // Parts beyond any capture's frames would only be parts without a frame.
        {"CapturePartsOutOfRange",
         {},
         {"Log", "Capture", "x.mp4", "CapturePart", "1", "200000"},
         "Failed to parse the command line",
         "Invalid number of parts '200000' for command line option 'CapturePart': expected a whole number from 1 to "
         "100000"},
        {"ArgumentWithQuote", {}, {"Config", "a\"b.txt"}, "Failed to parse the command line", ""},
        {"ArgumentLongerThanAToken",
         {},
         {"Log", "Config", std::string(3000, 'c')},
         "Failed to parse the command line",
         "Token longer than 2047 characters on line 1"},
    };
}

std::vector<BadInput> DataPathCases() {
    return {
        {"DataPathMissing",
         {},
         {"Log", "Check", "DataPath", "nowhere"},
         "Failed to add any datapaths to physfs!",
         "Failed to add any datapaths to physfs (tried 'nowhere/' and 'nowhere.zip')"},
        {"DataZipCorrupt",
         {{"broken.zip", "PK\x03\x04 this is not an archive"}},
         {"Log", "Check", "DataPath", "broken"},
         "Failed to add any datapaths to physfs!",
         "Failed to add any datapaths to physfs"},
        {"ScriptMissing",
         {{"data/readme.txt", "no script here"}},
         {"Log", "Check"},
         "Couldn't find config file",
         "Couldn't find config file: "},
        {"ScriptTooLarge",
         {{"data/Config.txt", ""}},
         {"Log", "Check"},
         "Couldn't read config file",
         "Couldn't read config file 'Config.txt': it is larger than 64 MiB"},
        {"ScriptOverTheMemoryLimit",
         {{"data/Config.txt", std::string(size_t(3) << 20, ' ') + "end\n"}},
         {"Log", "Check", "MemoryLimit", "4"},
         "Couldn't read config file",
         "Couldn't read config file 'Config.txt': it is larger than half the memory limit of 4 MiB"},
        AsFolder({"ScriptIsAFolder",
                  {},
                  {"Log", "Check"},
                  "Couldn't read config file",
                  "Couldn't read config file 'Config.txt': it is a folder, not a file"},
                 "data/Config.txt"),
        AsFifo({"ScriptIsAFifo",
                {},
                {"Log", "Check"},
                "Couldn't read config file",
                "Couldn't read config file 'Config.txt': it is not a regular file"},
               "data/Config.txt"),
        AsSymlink({"ScriptIsASymlink",
                   {},
                   {"Log", "Check"},
                   "Couldn't find config file",
                   "Couldn't find config file: symlinks are forbidden"},
                  "data/Config.txt"),
    };
}

std::vector<BadInput> ScriptCases() {
    const std::string longWord(3000, 'w');
    return {
        {"ScriptUnknownBlock",
         {{"data/Config.txt", Script + "sound { }\nend\n"}},
         {"Log", "Check"},
         "Failed to parse config file!",
         "Unknown block 'sound' in system config on line 2"},
        {"ScriptWithoutEnd",
         {{"data/Config.txt", Script}},
         {"Log", "Check"},
         "Failed to parse config file!",
         "Failed to parse config file!"},
        {"ScriptEmpty",
         {{"data/Config.txt", ""}},
         {"Log", "Check"},
         "Failed to parse config file!",
         "Failed to parse config file!"},
        {"ScriptBinary",
         {{"data/Config.txt", std::string("\x7f"
                                          "ELF\x02\x01\x01\0\0\0\xff\xfe{}=;",
                                          16)}},
         {"Log", "Check"},
         "Failed to parse config file!",
         "Failed to parse config file!"},
        {"ScriptTokenTooLong",
         {{"data/Config.txt", Script + "scene " + longWord + " 0:0:0 1:0:0 { }\nend\n"}},
         {"Log", "Check"},
         "Failed to parse config file!",
         "Token longer than 2047 characters on line 2"},
        {"ScriptTimeOutOfRange",
         {{"data/Config.txt", Script + "scene S 99999999999:0:0 1:0:0 { }\nend\n"}},
         {"Log", "Check"},
         "Failed to parse config file!",
         "Time literal '99999999999:0:0' out of range on line 2"},
        {"ScriptZeroTempo",
         {{"data/Config.txt", "system { Bpm = 0 }\nend\n"}},
         {"Log", "Check"},
         "Failed to parse config file!",
         "Invalid value for 'Bpm' on line 1: it must be a number greater than zero"},
        {"ScriptFractionalBeats",
         {{"data/Config.txt", "system { Beats = 0.5 }\nend\n"}},
         {"Log", "Check"},
         "Failed to parse config file!",
         "Invalid value for 'Beats' on line 1: it must be a whole number from 1 to 2147483647"},
        {"ScriptBeatOutOfRange",
         {{"data/Config.txt", Script + "scene S 0:4:0 1:0:0 { }\nend\n"}},
         {"Log", "Check"},
         "Failed to parse config file!",
         "Failed to parse config file!"},
        {"ScriptDuplicateScene",
         {{"data/Config.txt", Script + "scene S 0:0:0 1:0:0 { }\nscene s 0:0:0 1:0:0 { }\nend\n"}},
         {"Log", "Check"},
         "Failed to parse config file!",
         "Scene name 's' already exists"},
        {"ScriptUnknownLayerType",
         {{"data/Config.txt", Script + "scene S 0:0:0 1:0:0 {\n layers {\n A Sparkle { }\n }\n}\nend\n"}},
         {"Log", "Check"},
         "Failed to parse config file!",
         "Unknown layer type 'Sparkle' found at line 4"},
        {"ScriptKeyframeForUnknownLayer",
         {{"data/Config.txt",
           Script + "scene S 0:0:0 1:0:0 {\n keyframes { 0:0:0 { Ghost Active hold true } }\n}\nend\n"}},
         {"Log", "Check"},
         "Failed to parse config file!",
         "Couldn't load keyframe for unknown layer 'Ghost' on line 3"},
        {"ScriptDuplicateResource",
         {{"data/Config.txt", Script + "resources { Texture A a.png Texture a b.png }\nend\n"}},
         {"Log", "Check"},
         "Failed to parse config file!",
         "Resource name already in use!"},
        {"ScriptBadRenderTargetSize",
         {{"data/Config.txt", Script + "resources { RenderTarget R huge }\nend\n"}},
         {"Log", "Check"},
         "Failed to parse config file!",
         "Unknown render target size 'huge' line 2"},
    };
}

// One material, one triangle, no lights and no cameras; `tail` replaces the camera count.
std::string Model(const std::string& faces = "0 2 1 0 0 0", const std::string& tail = "0\n") {
    return "1\nStandardMaterial\n0 0 0\n1 1 1\n0 0 0\n0\nnomap\n0\n0\n1\n0\n3\n0 0 0 0 0 -1\n1 0 0 0 0 -1\n"
           "0 1 0 0 0 -1\n1\n0 0\n1\n" +
           faces + "\n0\n1 1 1 1\n" + tail;
}

const std::string Effect = "@common\nuniform mat4 g_mWorldViewProjection;\n"
                           "@vertex VS\nlayout(location = 0) in vec3 inPosition;\n"
                           "void main() { gl_Position = g_mWorldViewProjection * vec4(inPosition, 1.0); }\n"
                           "@fragment PS\nout vec4 colour;\nvoid main() { colour = vec4(1.0); }\n"
                           "@technique Flat\n@pass vertex=VS fragment=PS\n";

std::string Fixture(const std::string& name) {
    return TempFolder::Read(std::string(QV_SOURCE_DIR) + "/tests/data/hostile/" + name);
}

// The first `keep` bytes of one of the test images.
std::string Cut(const std::string& name, size_t keep) {
    return TempFolder::Read(std::string(QV_SOURCE_DIR) + "/tests/data/images/" + name).substr(0, keep);
}

BadInput ModelCase(const char* name, const std::string& model, const std::string& log) {
    return {name,
            {{"data/Config.txt", "resources { Model M m.txt }\nend\n"}, {"data/m.txt", model}},
            {"Log", "Check", "SkipSettings"},
            "Failed to create resources",
            log};
}

// A script naming model m.txt, which the case makes something other than a file.
BadInput NamedModel(const char* name, const std::string& reason) {
    return {name,
            {{"data/Config.txt", "resources { Model M m.txt }\nend\n"}},
            {"Log", "Check", "SkipSettings"},
            "Failed to create resources",
            "Failed to read model 'm.txt': " + reason};
}

std::vector<BadInput> ModelCases() {
    const std::string prefix = "Malformed model 'm.txt' on line ";
    // A first object of one face; the second claims the most faces one object may have.
    const std::string single = Model();
    const std::string object = single.substr(single.find("\n0\n3\n") + 1);
    const std::string twoObjects = single.substr(0, single.find("\n1\n0\n3\n") + 1) + "2\n" +
                                   object.substr(0, object.find("0\n1 1 1 1")) +
                                   object.substr(0, object.find("1\n0 2 1")) + "4194304\n";
    return {
        {"ModelMissing",
         {{"data/Config.txt", "resources { Model M m.txt }\nend\n"}},
         {"Log", "Check", "SkipSettings"},
         "Failed to create resources",
         "Failed to open file"},
        ModelCase("ModelTruncated", "1\nStandardMaterial\n0 0 0\n",
                  prefix + "4: the file ends where a colour is expected"),
        ModelCase("ModelNegativeCount", "-1\n", prefix + "1: a material count -1 is outside 0..65536"),
        ModelCase("ModelTwoBillionVertices", Model().substr(0, Model().find("3\n0 0 0 0")) + "2000000000\n",
                  prefix + "12: a vertex count 2000000000 is outside 0..4194304"),
        ModelCase("ModelIndexOutOfRange", Model("0 5 1 0 0 0"),
                  prefix + "19: vertex index 5 is outside the 3 vertices"),
        ModelCase("ModelTextureIndexOutOfRange", Model("0 2 1 0 0 -1"),
                  prefix + "19: texture coordinate index -1 is outside the 1 texture coordinates"),
        ModelCase("ModelLineTooLong", "1\nStandardMaterial\n" + std::string(2000, '0') + "\n",
                  prefix + "3: the line is longer than 1023 characters"),
        ModelCase("ModelUnknownCamera", Model("0 2 1 0 0 0", "1\nTarget\n0 0 0\n0 0 0\n1\n"),
                  "Unknown camera type 'Target'"),
        ModelCase("ModelTooManyFacesInAll", twoObjects, prefix + "27: the model has more than 4194304 faces in all"),
        AsFolder(NamedModel("ModelIsAFolder", "it is a folder, not a file"), "data/m.txt"),
        AsFifo(NamedModel("ModelIsAFifo", "it is not a regular file"), "data/m.txt"),
        AsSymlink(NamedModel("ModelIsASymlink", "symlinks are forbidden"), "data/m.txt"),
    };
}

BadInput ImageCase(const char* name, const std::string& image, const std::string& log) {
    return {name,
            {{"data/Config.txt", "resources { Texture T img.png }\nend\n"}, {"data/img.png", image}},
            {"Log", "Check", "SkipSettings"},
            "Failed to create resources",
            log};
}

BadInput NamedImage(const char* name, const std::string& reason) {
    return {name,
            {{"data/Config.txt", "resources { Texture T img.png }\nend\n"}},
            {"Log", "Check", "SkipSettings"},
            "Failed to create resources",
            "Failed to load texture 'img.png': " + reason};
}

std::vector<BadInput> ImageCases() {
    return {
        {"ImageMissing",
         {{"data/Config.txt", "resources { Texture T img.png }\nend\n"}},
         {"Log", "Check", "SkipSettings"},
         "Failed to create resources",
         "Failed to load texture 'img.png'"},
        ImageCase("ImageNotAnImage", "GIF? no, plain text", "Error creating texture 'img.png'"),
        ImageCase("ImageUnsupportedFormat", Fixture("sixteen-bit.ppm"),
                  "Error creating texture 'img.png': not a BMP, PNG, JPEG or TGA image"),
        ImageCase("ImageCorruptJpeg", Fixture("huffman-overflow.jpg"),
                  "Error creating texture 'img.png': corrupt JPEG Huffman table"),
        ImageCase("ImageTooLarge", PngHeader(16385, 16),
                  "Error creating texture 'img.png': the image is 16385 x 16 pixels, more than a texture may hold"),
        ImageCase(
            "ImageHundredThousandSquare", PngHeader(100000, 100000),
            "Error creating texture 'img.png': the image is 100000 x 100000 pixels, more than a texture may hold"),
        WholeMessage(ImageCase("ImageTruncatedBmp", Cut("palette8.bmp", 1400), "Error creating texture 'img.png'")),
        WholeMessage(ImageCase("ImageTruncatedTga", Cut("rgba-rle.tga", 1500), "Error creating texture 'img.png'")),
        {"ImageMissingButIgnored",
         {{"data/Config.txt", "resources { Texture T img.png }\nend\n"}},
         {"Log", "Check", "SkipSettings", "IgnoreResourceErrors"},
         "",
         "Failed to load texture 'img.png'",
         0},
        AsFolder(NamedImage("ImageIsAFolder", "it is a folder, not a file"), "data/img.png"),
        AsFifo(NamedImage("ImageIsAFifo", "it is not a regular file"), "data/img.png"),
        AsSymlink(NamedImage("ImageIsASymlink", "symlinks are forbidden"), "data/img.png"),
    };
}

BadInput EffectCase(const char* name, const std::string& effect, const std::string& log,
                    const std::string& technique = "Flat") {
    return {name,
            {{"data/Config.txt", "resources { Shader S \"fx/s.fx\" " + technique + " { } }\nend\n"},
             {"data/fx/s.fx", effect}},
            {"Log", "Check", "SkipSettings"},
            "Failed to create resources",
            log};
}

BadInput NamedEffect(const char* name, const std::string& reason) {
    return {name,
            {{"data/Config.txt", "resources { Shader S \"fx/s.fx\" Flat { } }\nend\n"}},
            {"Log", "Check", "SkipSettings"},
            "Failed to create resources",
            "Failed to read shader program 'fx/s.fx': " + reason};
}

std::vector<BadInput> EffectCases() {
    std::string broken = Effect;
    broken.replace(broken.find("vec4(1.0)"), 9, "undeclared_name");
    // Refused for its passes, not for the memory that many programs would take.
    std::string manyPasses = Effect;
    for (int i = 0; i < 10000; ++i)
        manyPasses += "@pass vertex=VS fragment=PS\n";
    std::string withoutMain[2] = {Effect, Effect};
    withoutMain[0].replace(withoutMain[0].find("void main()"), 11, "void vs()");
    withoutMain[1].replace(withoutMain[1].rfind("void main()"), 11, "void ps()");
    // A kilobyte of self-doubling macros: the GLSL compiler would take gigabytes.
    std::string bomb = "@common\n#define D0 x\n";
    for (int i = 1; i <= 40; ++i)
        bomb += "#define D" + std::to_string(i) + " D" + std::to_string(i - 1) + " D" + std::to_string(i - 1) + "\n";
    bomb += Effect.substr(Effect.find('\n') + 1);
    // One expression 16,384 additions long, through doubling macros and written out: the driver's
    // compiler walks its tree by recursion, and ran out of stack.
    std::string deepMacros = "@common\n#define X0 1.0\n";
    for (int i = 1; i <= 14; ++i)
        deepMacros +=
            "#define X" + std::to_string(i) + " X" + std::to_string(i - 1) + "+X" + std::to_string(i - 1) + "\n";
    deepMacros += Effect.substr(Effect.find('\n') + 1);
    deepMacros.replace(deepMacros.find("vec4(1.0)"), 9, "vec4(X14)");
    std::string longSum = "1.0";
    for (int i = 1; i < 20000; ++i)
        longSum += "+1.0";
    std::string written = Effect;
    written.replace(written.find("vec4(1.0)"), 9, "vec4(" + longSum + ")");
    return {
        {"EffectMissing",
         {{"data/Config.txt", "resources { Shader S \"fx/s.fx\" Flat { } }\nend\n"}},
         {"Log", "Check", "SkipSettings"},
         "Failed to create resources",
         "Failed to find shader program 'fx/s.fx'"},
        EffectCase("EffectWithoutSections", "void main() {}\n",
                   "fx/s.fx: line 1: text outside a @common, @vertex or "
                   "@fragment section"),
        EffectCase("EffectPassNamesNoSection", "@vertex VS\nvoid main(){}\n@technique T\n@pass vertex=VS fragment=PS\n",
                   "fx/s.fx: line 4: no @fragment section named 'PS'", "T"),
        EffectCase("EffectCompileError", broken, "Failed to create shader"),
        EffectCase("EffectUnknownTechnique", Effect, "Failed to find technique 'Glow' in shader program 'fx/s.fx'",
                   "Glow"),
        EffectCase("EffectTooManyPasses", manyPasses, "fx/s.fx: line 74: technique 'Flat' has more than 64 passes"),
        WholeMessage(EffectCase("EffectVertexWithoutMain", withoutMain[0],
                                "fx/s.fx: line 3: the @vertex section 'VS' has no main function")),
        WholeMessage(EffectCase("EffectFragmentWithoutMain", withoutMain[1],
                                "fx/s.fx: line 6: the @fragment section 'PS' has no main function")),
        WholeMessage(EffectCase("EffectMacroBomb", bomb,
                                "fx/s.fx: line 24: the macro 'D22' would expand to more than 4 MiB of text")),
        WholeMessage(NamedEffect("EffectTooLarge", "the file is larger than 16 MiB")),
        WholeMessage(EffectCase("EffectDeepExpressionThroughMacros", deepMacros,
                                "fx/s.fx: line 23: a statement with more than 4096 operators (its macros "
                                "expanded), deeper than a graphics driver can compile")),
        WholeMessage(EffectCase("EffectDeepExpressionWrittenOut", written,
                                "fx/s.fx: line 8: a statement with more than 4096 operators (its macros "
                                "expanded), deeper than a graphics driver can compile")),
        AsFolder(NamedEffect("EffectIsAFolder", "it is a folder, not a file"), "data/fx/s.fx"),
        AsFifo(NamedEffect("EffectIsAFifo", "it is not a regular file"), "data/fx/s.fx"),
        AsSymlink(NamedEffect("EffectIsASymlink", "symlinks are forbidden"), "data/fx/s.fx"),
    };
}

BadInput MusicCase(const char* name, const std::string& music, const std::string& log) {
    std::vector<std::pair<std::string, std::string>> files = {
        {"data/Config.txt", "system { Music = \"song.ogg\" }\nscene A 0:0:0 1:0:0 { }\nend\n"}};
    if (!music.empty())
        files.push_back({"data/song.ogg", music});
    return {name, files, {"Log", "Check", "SkipSettings"}, "Failed to initialise music stream", log};
}

// The header of a FLAC stream of one channel at 44100 Hz that claims `samples` samples and holds none.
std::string FlacClaiming(uint64_t samples) {
    std::string s("fLaC\x80\0\0\x22\x10\0\x10\0\0\0\0\0\0\0", 18);
    const uint64_t packed = uint64_t(44100) << 44 | uint64_t(0) << 41 | uint64_t(15) << 36 | samples;
    for (int shift = 56; shift >= 0; shift -= 8)
        s += static_cast<char>((packed >> shift) & 0xFF);
    return s + std::string(16, '\0');
}

std::vector<BadInput> MusicCases() {
    // A WAV header for one channel at 10 Hz, a rate no output plays.
    std::string slow("RIFF\x26\0\0\0WAVEfmt \x10\0\0\0\x01\0\x01\0\x0a\0\0\0\x14\0\0\0\x02\0\x10\0data\x02\0\0\0\0\0",
                     46);
    return {
        MusicCase("MusicMissing", "", "Failed to find music file 'song.ogg'"),
        MusicCase("MusicNotAudio", "OggS but really just text", "Failed to create Bass stream: '3'"),
        MusicCase("MusicUnplayableRate", slow, "Failed to create Bass stream: '5'"),
        MusicCase("MusicLongerThanADay", FlacClaiming(uint64_t(1) << 33), "Failed to create Bass stream: '6'"),
        AsFolder(MusicCase("MusicIsAFolder", "", "Failed to read music file 'song.ogg': it is a folder, not a file"),
                 "data/song.ogg"),
        AsFifo(MusicCase("MusicIsAFifo", "", "Failed to read music file 'song.ogg': it is not a regular file"),
               "data/song.ogg"),
        AsSymlink(MusicCase("MusicIsASymlink", "", "Failed to read music file 'song.ogg': symlinks are forbidden"),
                  "data/song.ogg"),
    };
}

// Keyframe lines of layer I, each following a range of its own.
std::string ManyReactions(int count) {
    std::string lines;
    for (int i = 0; i < count; ++i)
        lines += "  I Rotation onset 0 " + std::to_string(i) + " " + std::to_string(i + 1) + " 1 0:0:1\n";
    return lines;
}

std::vector<BadInput> LayerCases() {
    const std::string scene = "scene A 0:0:0 1:0:0 {\n layers {\n";
    return {
        {"LayerValueOfWrongKind",
         {{"data/Config.txt", scene + "  I 2DImage { Position = left }\n }\n}\nend\n"}},
         {"Log", "Check"},
         "Failed to parse config file!",
         "Failed to set value from tokeniser for 'Position' on line 3"},
        {"LayerUnknownParameter",
         {{"data/Config.txt", scene + "  I 2DImage { Size = 3 }\n }\n}\nend\n"}},
         {"Log", "Check"},
         "Failed to parse config file!",
         "Failed to find variable 'Size' on line 3"},
        {"LayerDuplicateName",
         {{"data/Config.txt", scene + "  I 2DImage { }\n  i Tunnel { }\n }\n}\nend\n"}},
         {"Log", "Check"},
         "Failed to parse config file!",
         "Layer name 'i' already exists"},
        // Each different range or time is an analysis of its own: a script may not ask for thousands.
        {"LayerTooManyMusicReactions",
         {{"data/Config.txt",
           scene + "  I 2DImage { }\n }\n keyframes { 0:0:0 {\n" + ManyReactions(1025) + " } }\n}\nend\n"}},
         {"Log", "Check"},
         "Failed to parse config file!",
         "Line 1030: more than 1024 different music reactions"},
    };
}

// A mono 16-bit WAV of `frames` frames of silence at 44.1 kHz.
std::string SilentWav(uint32_t frames) {
    auto le = [](uint32_t v, int bytes) {
        std::string s;
        for (int i = 0; i < bytes; ++i)
            s += static_cast<char>((v >> (8 * i)) & 0xFF);
        return s;
    };
    return "RIFF" + le(36 + 2 * frames, 4) + "WAVEfmt " + le(16, 4) + le(1, 2) + le(1, 2) + le(44100, 4) +
           le(88200, 4) + le(2, 2) + le(16, 2) + "data" + le(2 * frames, 4) + std::string(2 * frames, '\0');
}

std::vector<BadInput> BudgetCases() {
    auto repeated = [](int count, const std::string& before, const std::string& after) {
        std::string text;
        for (int i = 0; i < count; ++i)
            text += before + std::to_string(i) + after;
        return text;
    };
    const std::string limit = "The presentation needs more memory than the limit of ";
    const std::string frameLimit =
        "A frame would draw more than 16777216 times (layers x effect passes x copies), at layer ";
    return {
        // 1 MiB for the built-in effect, then 4 MiB for each target at the default 1024 x 768.
        {"MemoryLimitRenderTargets",
         {{"data/Config.txt", "resources {" + repeated(20, " RenderTarget R", " full") + " }\nend\n"}},
         {"Log", "Check", "SkipSettings", "MemoryLimit", "64"},
         limit + "64 MiB (at render target 'R15')",
         limit + "64 MiB (at render target 'R15')"},
        {"MemoryLimitLayers",
         {{"data/Config.txt", "scene S 0:0:0 1:0:0 { layers {" + repeated(300, " L", " 2DImage { }") + " } }\nend\n"}},
         {"Log", "Check", "MemoryLimit", "1"},
         limit + "1 MiB (at layer 'L255')",
         limit + "1 MiB (at layer 'L255')"},
        // A one-pixel image padded with zeros: its file is charged before it is read.
        {"MemoryLimitImageFile",
         {{"data/Config.txt", "resources { Texture T img.png }\nend\n"},
          {"data/img.png", PngHeader(1, 1) + std::string(size_t(20) << 20, '\0')}},
         {"Log", "Check", "SkipSettings", "MemoryLimit", "16"},
         limit + "16 MiB (at texture 'T')",
         limit + "16 MiB (at texture 'T')"},
        {"MemoryLimitMusic",
         {{"data/Config.txt", "system { Music = \"song.wav\" }\nscene A 0:0:0 1:0:0 { }\nend\n"},
          {"data/song.wav", SilentWav(300000)}},
         {"Log", "Check", "SkipSettings", "MemoryLimit", "2"},
         limit + "2 MiB (at music 'song.wav')",
         limit + "2 MiB (at music 'song.wav')"},
        // A minute of music followed by 1024 reactions: their table would take about 100 MiB.
        {"MemoryLimitMusicAnalysis",
         {{"data/Config.txt", "system { Music = \"song.wav\" SpectrumEnabled = true }\n"
                              "scene A 0:0:0 1:0:0 {\n layers {\n  I 2DImage { }\n }\n keyframes { 0:0:0 {\n" +
                                  ManyReactions(1024) + " } }\n}\nend\n"},
          {"data/song.wav", SilentWav(60 * 44100)}},
         {"Log", "Check", "SkipSettings", "MemoryLimit", "64"},
         limit + "64 MiB (at music analysis 'song.wav')",
         limit + "64 MiB (at music analysis 'song.wav')"},
        // 512 bytes a scene: 2048 fit in 1 MiB.
        {"MemoryLimitScenes",
         {{"data/Config.txt", repeated(3000, "scene S", " 0:0:0 1:0:0 { }\n") + "end\n"}},
         {"Log", "Check", "MemoryLimit", "1"},
         limit + "1 MiB (at scene 'S2048')",
         limit + "1 MiB (at scene 'S2048')"},
        // 4 KiB for the layer, then 64 bytes a keyframe.
        {"MemoryLimitKeyframes",
         {{"data/Config.txt", "scene S 0:0:0 1:0:0 { layers { L 2DImage { } } keyframes { 0:0:0 {\n" +
                                  repeated(20000, "L Rotation linear ", "\n") + "} } }\nend\n"}},
         {"Log", "Check", "MemoryLimit", "1"},
         limit + "1 MiB (at keyframe of layer 'L')",
         limit + "1 MiB (at keyframe of layer 'L')"},
        // Ten million copies twice, or a row that grows to twenty million: each of a frame's copies is a
        // draw call, and sixteen million take a minute.
        {"FrameDrawsPastTheBound",
         {{"data/Config.txt", "scene S 0:0:0 1:0:0 { layers {\n"
                              " A 2DMultipleImage { Repeats = 10000000 }\n B 2DMultipleImage { Repeats = 10000000 }\n"
                              " } }\nscene T 0:0:0 1:0:0 { layers { C 2DMultipleImage { Repeats = 1 } }\n"
                              " keyframes { 0:1:0 { C Repeats linear 20000000 } } }\nend\n"}},
         {"Log", "Check"},
         frameLimit + "'B' of scene 'S'",
         frameLimit + "'B' of scene 'S'"},
        {"FrameDrawsPastTheBoundByAKeyframe",
         {{"data/Config.txt", "scene T 0:0:0 1:0:0 { layers { C 2DMultipleImage { Repeats = 1 } }\n"
                              " keyframes { 0:1:0 { C Repeats linear 20000000 } } }\nend\n"}},
         {"Log", "Check"},
         frameLimit + "'C' of scene 'T'",
         frameLimit + "'C' of scene 'T'"},
    };
}

class BadInputTest : public ::testing::TestWithParam<BadInput> {};

TEST_P(BadInputTest, TellsTheUserAndFails) {
    const BadInput& c = GetParam();
    TempFolder dir;
    for (const auto& [name, content] : c.files)
        dir.Write(name, content);
    if (c.prepare)
        c.prepare(dir);
    // A sparse file: large to the file system, nothing on the disk.
    if (std::string(c.name) == "ScriptTooLarge")
        std::filesystem::resize_file(dir / "data/Config.txt", (std::uintmax_t(64) << 20) + 1);
    if (std::string(c.name) == "EffectTooLarge") {
        dir.Write("data/fx/s.fx", Effect);
        std::filesystem::resize_file(dir / "data/fx/s.fx", (std::uintmax_t(16) << 20) + 1);
    }

    ProgramResult logged = RunProgram(dir, c.args);
    EXPECT_FALSE(logged.timedOut);
    EXPECT_EQ(logged.signal, 0) << logged.err;
    EXPECT_EQ(logged.status, c.status) << logged.err;
    if (!c.userLine.empty()) {
        EXPECT_TRUE(logged.ErrLine(c.userLine)) << "standard error:\n" << logged.err;
    }
    if (!c.logStart.empty()) {
        EXPECT_TRUE(logged.LoggedStart(c.logStart)) << "debug.log lacks '" << c.logStart << "'; standard error:\n"
                                                    << logged.err;
        if (c.wholeMessage) {
            EXPECT_TRUE(logged.Logged(c.logStart)) << logged.logText;
        }
    }

    // Without the Log option the user still gets the box text and the same status, and no log file.
    std::vector<std::string> quiet;
    for (const std::string& a : c.args)
        if (a != "Log")
            quiet.push_back(a);
    ProgramResult plain = RunProgram(dir, quiet);
    EXPECT_EQ(plain.status, c.status) << plain.err;
    if (!c.userLine.empty()) {
        EXPECT_TRUE(plain.ErrLine(c.userLine)) << "standard error:\n" << plain.err;
    } else {
        EXPECT_EQ(plain.err, "");
    }
    EXPECT_TRUE(plain.log.empty());
}

std::string Name(const ::testing::TestParamInfo<BadInput>& info) { return info.param.name; }

INSTANTIATE_TEST_SUITE_P(CommandLine, BadInputTest, ::testing::ValuesIn(CommandLineCases()), Name);
INSTANTIATE_TEST_SUITE_P(DataPath, BadInputTest, ::testing::ValuesIn(DataPathCases()), Name);
INSTANTIATE_TEST_SUITE_P(Script, BadInputTest, ::testing::ValuesIn(ScriptCases()), Name);
INSTANTIATE_TEST_SUITE_P(Layer, BadInputTest, ::testing::ValuesIn(LayerCases()), Name);
INSTANTIATE_TEST_SUITE_P(Model, BadInputTest, ::testing::ValuesIn(ModelCases()), Name);
INSTANTIATE_TEST_SUITE_P(Image, BadInputTest, ::testing::ValuesIn(ImageCases()), Name);
INSTANTIATE_TEST_SUITE_P(Effect, BadInputTest, ::testing::ValuesIn(EffectCases()), Name);
INSTANTIATE_TEST_SUITE_P(Music, BadInputTest, ::testing::ValuesIn(MusicCases()), Name);
INSTANTIATE_TEST_SUITE_P(Budget, BadInputTest, ::testing::ValuesIn(BudgetCases()), Name);

} // namespace
