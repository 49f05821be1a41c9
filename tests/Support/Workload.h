// Generated presentations for the benchmarks and the allocation tests: a data folder with images,
// models and an effect file, a script that uses every layer type with keyframes of every kind, and
// large scripts of many scenes for measuring the parser.
#pragma once

#include "Base/CTokeniser.h"
#include "Base/CommandLine.h"
#include "Base/DataPaths.h"
#include "Platform/CGraphicsDevice.h"
#include "Render/CRenderState.h"
#include "Resources/CResourceManager.h"
#include "Scenes/CSceneManager.h"
#include "System/CSystem.h"

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <unistd.h>

namespace Workload {

// An uncompressed 32-bit TGA (top-left origin) with a pattern, so decoding does real work.
inline std::string TgaImage(int width, int height, int seed) {
    std::string out(18, '\0');
    out[2] = 2; // uncompressed true colour
    out[12] = static_cast<char>(width & 0xFF);
    out[13] = static_cast<char>(width >> 8);
    out[14] = static_cast<char>(height & 0xFF);
    out[15] = static_cast<char>(height >> 8);
    out[16] = 32;
    out[17] = 0x28; // 8 alpha bits, rows top first
    out.reserve(out.size() + static_cast<size_t>(width) * height * 4);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            out += static_cast<char>((x * 4 + seed * 40) & 0xFF);
            out += static_cast<char>((y * 4) & 0xFF);
            out += static_cast<char>(((x ^ y) * 8 + seed) & 0xFF);
            out += static_cast<char>(0xFF);
        }
    }
    return out;
}

// A closed ring (torus) of `rings` × `segments` quads, in the model file format, with one material
// that uses `texture` (or none for "nomap").
inline std::string TorusModel(int rings, int segments, const std::string& texture) {
    std::string text = "1\nStandardMaterial\n0.1 0.1 0.1\n0.8 0.7 0.6\n1 1 1\n20\n" + texture + "\n0\n0\n1\n0\n";
    const float pi = 3.1415927f;
    text += std::to_string(rings * segments) + "\n";
    for (int r = 0; r < rings; ++r) {
        const float a = 2.0f * pi * static_cast<float>(r) / static_cast<float>(rings);
        for (int s = 0; s < segments; ++s) {
            const float b = 2.0f * pi * static_cast<float>(s) / static_cast<float>(segments);
            const float nx = std::cos(b) * std::cos(a), ny = std::cos(b) * std::sin(a), nz = std::sin(b);
            const float x = 100.0f * std::cos(a) + 30.0f * nx, y = 100.0f * std::sin(a) + 30.0f * ny;
            text += std::to_string(x) + " " + std::to_string(y) + " " + std::to_string(30.0f * nz) + " " +
                    std::to_string(nx) + " " + std::to_string(ny) + " " + std::to_string(nz) + "\n";
        }
    }
    text += std::to_string(rings * segments) + "\n";
    for (int r = 0; r < rings; ++r)
        for (int s = 0; s < segments; ++s)
            text += std::to_string(static_cast<float>(r) / static_cast<float>(rings)) + " " +
                    std::to_string(static_cast<float>(s) / static_cast<float>(segments)) + "\n";
    text += std::to_string(rings * segments * 2) + "\n";
    for (int r = 0; r < rings; ++r) {
        for (int s = 0; s < segments; ++s) {
            const int a = r * segments + s, b = ((r + 1) % rings) * segments + s;
            const int c = ((r + 1) % rings) * segments + (s + 1) % segments, d = r * segments + (s + 1) % segments;
            text += std::to_string(a) + " " + std::to_string(b) + " " + std::to_string(c) + " " + std::to_string(a) +
                    " " + std::to_string(b) + " " + std::to_string(c) + "\n";
            text += std::to_string(a) + " " + std::to_string(c) + " " + std::to_string(d) + " " + std::to_string(a) +
                    " " + std::to_string(c) + " " + std::to_string(d) + "\n";
        }
    }
    return text + "1\n0 0 0 0\nOmni\n0 100 0\n1 1 1 1\n1\nFixed\n0 0 -300\n0 0 0\n45\n";
}

// An effect with a textured technique of two passes and one untextured pass, reading the lighting
// uniforms, so creation compiles several programs.
inline const char* EffectText() {
    return "@common\n"
           "uniform mat4 g_mWorldViewProjection;\n"
           "uniform mat4 g_mWorld;\n"
           "uniform vec4 g_MaterialDiffuseColor;\n"
           "uniform vec4 g_Ambient;\n"
           "uniform float g_ShaderValue;\n"
           "uniform sampler2D g_Texture;\n"
           "@vertex VS\n"
           "layout(location = 0) in vec3 inPosition;\n"
           "layout(location = 1) in vec3 inNormal;\n"
           "layout(location = 3) in vec2 inTexCoord;\n"
           "out vec2 vTexCoord;\n"
           "out float vShade;\n"
           "void main() {\n"
           "    gl_Position = g_mWorldViewProjection * vec4(inPosition, 1.0);\n"
           "    vShade = 0.5 + 0.5 * abs(normalize(mat3(g_mWorld) * inNormal).z);\n"
           "    vTexCoord = inTexCoord;\n"
           "}\n"
           "@fragment Glow\n"
           "in vec2 vTexCoord;\n"
           "in float vShade;\n"
           "out vec4 outColour;\n"
           "void main() {\n"
           "    vec4 t = texture(g_Texture, vTexCoord);\n"
           "    outColour = t * g_MaterialDiffuseColor * (vShade + g_ShaderValue) + g_Ambient * 0.1;\n"
           "}\n"
           "@fragment Flat\n"
           "in vec2 vTexCoord;\n"
           "in float vShade;\n"
           "out vec4 outColour;\n"
           "void main() { outColour = g_MaterialDiffuseColor * vShade; }\n"
           "@technique Glow\n"
           "@pass vertex=VS fragment=Glow\n"
           "@pass vertex=VS fragment=Flat\n"
           "@technique Flat\n"
           "@pass vertex=VS fragment=Flat\n";
}

inline void WriteFile(const std::filesystem::path& file, const std::string& content) {
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << content;
}

// The data the every-layer script names: three images, two models (one textured through a .bmp the
// model loader creates on demand), one effect file.
inline void WriteData(const std::filesystem::path& folder) {
    WriteFile(folder / "images/logo.tga", TgaImage(256, 128, 1));
    WriteFile(folder / "images/dots.tga", TgaImage(64, 64, 2));
    WriteFile(folder / "images/font.tga", TgaImage(512, 512, 3));
    WriteFile(folder / "fx/glow.fx", EffectText());
    WriteFile(folder / "models/ring.txt", TorusModel(24, 12, "nomap"));
    WriteFile(folder / "models/donut.txt", TorusModel(48, 16, "nomap"));
}

inline const char* Resources() {
    return "resources {\n"
           "    Shader GlowingSurfaceShader \"fx/glow.fx\" Glow { Float 1 = g_ShaderValue TextureUnit 1 = g_Texture }\n"
           "    Shader Flat \"fx/glow.fx\" Flat { }\n"
           "    Texture Logo \"images/logo.tga\"\n"
           "    Texture DotsWithALongerName \"images/dots.tga\"\n"
           "    Texture Font \"images/font.tga\"\n"
           "    RenderTarget OffscreenBufferHalf half\n"
           "    RenderTarget Small quarter\n"
           "    Model Ring \"models/ring.txt\"\n"
           "    Model Donut \"models/donut.txt\"\n"
           "}\n";
}

// Layers of every type; two scenes overlap for a while, and string parameters switch between
// resources by keyframe so lookups by name run with changing names. Several names are longer than a
// string's inline buffer, so that a copy of one on the frame's path would show as an allocation.
inline std::string EveryLayerScenes() {
    return "scene Intro 0:0:0 16:0:0 {\n"
           "  layers {\n"
           "    Clear ClearRenderTarget { ClearColourValue = 0.1 0.1 0.2 1 }\n"
           "    IntoBuffer ClearRenderTarget { RenderTarget = OffscreenBufferHalf ClearColourValue = 0 0 0 1 }\n"
           "    Camera 3DCameraOrbit { From = 0 100 -400 To = 0 0 0 }\n"
           "    Ambient 3DGlobalAmbient { Colour = 0.2 0.2 0.3 1 }\n"
           "    Light 3DSimpleLightRig { Position = 100 200 -300 Range = 2000 }\n"
           "    Donut 3DModel { Model = Donut Shader = GlowingSurfaceShader RenderTarget = OffscreenBufferHalf }\n"
           "    Ring 3DModel { Model = Ring Shader = Flat }\n"
           "    Tube Wire { Distance = 300 Thickness1 = 40 Thickness2 = 20 }\n"
           "    Rows Tunnel { Model1 = Ring Spacing = 200 }\n"
           "    Screen 2DImage { Texture1 = OffscreenBufferHalf Colour = 1 1 1 0.5 }\n"
           "    Logo 2DImage { Texture1 = Logo Position = 960 300 }\n"
           "    Dots 2DMultipleImage { Texture1 = DotsWithALongerName Repeats = 24 StepPosition = 60 20 StepRotation = "
           "15 }\n"
           "    Names Greets { Texture = Font Position = 0 }\n"
           "    Bars SpectrumAnalyser { FirstBand = 0 LastBand = 127 }\n"
           "    Meter ViewParam { Param = 3 Bands = 64 }\n"
           "  }\n"
           "  keyframes {\n"
           "    0:0:0 {\n"
           "      Camera Rotation linear 0\n"
           "      Camera From smooth 0 100 -400\n"
           "      Donut Rotation linear 0 0 0\n"
           "      Tube Rotation smooth 90\n"
           "      Tube Spin linear 0\n"
           "      Tube Distance spectrum 300 4 200\n"
           "      Rows Position linear 0\n"
           "      Rows Rotation smooth 0\n"
           "      Logo Colour linear 1 1 1 0\n"
           "      Logo Scale smooth 1 1\n"
           "      Logo Texture1 hold Logo\n"
           "      Dots StartRotation square 0 45 0:1:0\n"
           "      Names Position linear 0\n"
           "      Meter Param spectrum 0 3 10\n"
           "      Light Diffuse linear 1 0.8 0.6 1\n"
           "    }\n"
           "    2:0:0 {\n"
           "      Camera Rotation linear 180\n"
           "      Camera From smooth 0 200 -600\n"
           "      Donut Rotation linear 1 2 3\n"
           "      Tube Rotation smooth 200\n"
           "      Tube Spin linear 360\n"
           "      Rows Position linear 2000\n"
           "      Rows Rotation smooth 1\n"
           "      Logo Colour linear 1 1 1 1\n"
           "      Logo Scale smooth 2 2\n"
           "      Logo Texture1 hold DotsWithALongerName\n"
           "      Names Position linear 900\n"
           "      Light Diffuse linear 0.2 0.4 1 1\n"
           "      Ring Active hold false\n"
           "    }\n"
           "    4:0:0 {\n"
           "      Camera Rotation linear 360\n"
           "      Tube Rotation smooth 100\n"
           "      Rows Position linear 4000\n"
           "      Logo Texture1 hold Logo\n"
           "      Logo Scale smooth 1 1\n"
           "      Ring Active hold true\n"
           "      Donut Shader hold Flat\n"
           "    }\n"
           "    8:0:0 {\n"
           "      Camera Rotation linear 720\n"
           "      Rows Position linear 8000\n"
           "      Donut Shader hold GlowingSurfaceShader\n"
           "    }\n"
           "  }\n"
           "}\n"
           "scene Outro 12:0:0 20:0:0 {\n"
           "  layers {\n"
           "    Camera 3DDebugCamera { Model = Donut }\n"
           "    Donut 3DModel { Model = Donut EnableCameras = true }\n"
           "    Fade 2DImage { Texture1 = Small Shader = GlowingSurfaceShader ShaderValue = 0.5 }\n"
           "  }\n"
           "  keyframes {\n"
           "    0:0:0 { Fade Colour linear 1 1 1 1 }\n"
           "    8:0:0 { Fade Colour linear 1 1 1 0 }\n"
           "  }\n"
           "}\n";
}

inline std::string EveryLayerScript() {
    return std::string("system { AppName = Workload Bpm = 120 }\n") + Resources() + EveryLayerScenes() + "end\n";
}

// Times inside both scenes, inside one, between keyframes and on them.
inline std::vector<float> FrameTimes() { return {0.0f, 1.3f, 4.0f, 7.77f, 12.5f, 16.0f, 19.2f, 25.0f, 30.1f, 39.9f}; }

// At least `bytes` of script: scene after scene of 2D and 3D layers, each with many keyframe groups
// of every interpolation kind, between one system and one resources block.
inline std::string LargeScript(size_t bytes) {
    std::string text = std::string("system { AppName = Large Bpm = 140 Beats = 4 Ticks = 96 }\n") + Resources();
    for (int scene = 0; text.size() < bytes; ++scene) {
        const std::string start = std::to_string(scene * 8) + ":0:0";
        const std::string end = std::to_string(scene * 8 + 8) + ":0:0";
        text += "scene S" + std::to_string(scene) + " " + start + " " + end + " {\n  layers {\n";
        text += "    Clear ClearRenderTarget { ClearColourValue = 0 0 0 1 }\n"
                "    Camera 3DCameraOrbit { From = 0 100 -400 To = 0 0 0 Fov = 60 }\n"
                "    Model 3DModel { Model = Donut Shader = GlowingSurfaceShader Scale = 2 2 2 }\n"
                "    Tube Wire { Distance = 300 }\n"
                "    Logo 2DImage { Texture1 = Logo Position = 960 600 Colour = 1 1 1 1 }\n"
                "    Dots 2DMultipleImage { Texture1 = DotsWithALongerName Repeats = 12 }\n"
                "  }\n  keyframes {\n";
        for (int k = 0; k < 32; ++k) {
            text += "    " + std::to_string(k / 4) + ":" + std::to_string(k % 4) + ":" + std::to_string((k * 7) % 96) +
                    " {\n";
            text += "      Camera Rotation linear " + std::to_string(k * 11.25) + "\n";
            text += "      Camera From smooth " + std::to_string(k) + " 100 -400\n";
            text += "      Model Rotation linear 0 " + std::to_string(k * 0.1) + " 0\n";
            text += "      Tube Spin spectrum " + std::to_string(k) + " 12 40\n";
            text += "      Tube Thickness1 square 40 80 0:1:0\n";
            text += "      Logo Colour smooth 1 0.5 " + std::to_string((k % 10) / 10.0) + " 1\n";
            text += "      Logo Texture1 hold " + std::string(k % 2 ? "DotsWithALongerName" : "Logo") + "\n";
            text += "      Dots Repeats linear " + std::to_string(8 + k % 8) + "\n";
            text += "      Clear Active hold " + std::string(k % 3 ? "true" : "false") + "\n";
            text += "    }\n";
        }
        text += "  }\n}\n";
    }
    return text + "end\n";
}

// A presentation parsed and created on the current graphics device from a data folder, as start-up
// does it; the folder stays mounted while the object lives.
class Presentation {
public:
    // `script` empty: the folder's Config.txt. Resources and scenes are made on `device`.
    Presentation(CGraphicsDevice& device, const std::filesystem::path& folder, std::string script = std::string())
        : folder(folder) {
        DataPaths().Start();
        DataPaths().MountFolder(folder.string(), CDataPaths::Place::First);
        if (script.empty()) {
            std::ifstream in(folder / "Config.txt", std::ios::binary);
            script.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
        text = std::move(script);
        Options = CommandLineOptions();
        CMemoryTokeniser tokeniser(text.data(), text.size());
        if (!system.LoadFromTokeniser(tokeniser))
            error = "the script did not parse";
        else if (!system.CreateAllResources(device, ScreenSetup()))
            error = "the resources were not created";
        else if (!system.CreateAllScenes())
            error = "the scenes were not created";
    }
    ~Presentation() { DataPaths().Unmount(folder.string()); }
    Presentation(const Presentation&) = delete;
    Presentation& operator=(const Presentation&) = delete;

    // What the main loop does for one frame at `time`, short of presenting it.
    void Frame(float time, float delta) {
        if (CRenderState* state = system.GetRenderState()) {
            state->BeginFrame();
            system.RenderScenes(time, delta);
        }
    }

    CSystem system;
    std::filesystem::path folder;
    std::string text;
    std::string error; // empty when everything was made
};

// A temporary folder holding WriteData's files, removed again with the object.
class GeneratedData {
public:
    explicit GeneratedData(const std::string& tag) {
        path = std::filesystem::temp_directory_path() / ("qv-workload-" + tag + "-" + std::to_string(::getpid()));
        WriteData(path);
    }
    ~GeneratedData() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    std::filesystem::path path;
};

} // namespace Workload
