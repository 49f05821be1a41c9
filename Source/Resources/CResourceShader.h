// A named effect: compiled from an effect file in the data paths or from the built-in effect text,
// with the technique that layers draw with. Layers draw with it through DrawPasses, the one pass loop.
#pragma once

#include "Platform/CEffect.h"
#include "Render/CRenderState.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CGraphicsDevice;
class CMemoryBudget;
class CTokeniser;

enum class ShaderParamKind { Float = 0, TextureUnit = 1 };

struct ShaderParamName {
    std::string key; // "float_<index>" for a Float entry, empty for a TextureUnit entry
    ShaderParamKind kind = ShaderParamKind::Float;
    int index = 0; // 1..5
    std::string name;
};

class CResourceShader {
public:
    // Effect files are refused above this size, before they are read: comments included, a real
    // effect is a few tens of kilobytes, and the compiler goes over all of it for every stage.
    static constexpr int64_t MaxEffectBytes = int64_t(16) << 20;

    CResourceShader();
    ~CResourceShader();

    // Reads program, technique and the parameter-name block after the shader's name.
    bool LoadFromTokeniser(CTokeniser& tokeniser);
    // Compiles the effect on the device and selects the technique in it.
    bool Create(CGraphicsDevice& device);
    // Compiles the effect file `program` (or the built-in text for ":INTERNAL"), logging why it
    // cannot be. With a budget, its programs are charged there under `name` before they are compiled.
    static std::shared_ptr<CEffect> Compile(CGraphicsDevice& device, const std::string& program,
                                            CMemoryBudget* budget = nullptr, const std::string& name = {});
    // The two steps of Compile: the text of `program` (false, logged, when it cannot be read), and
    // the compile of that text, which sets `kept` to what stays charged while the effect lives.
    static bool ReadProgram(const std::string& program, std::string& source);
    static std::shared_ptr<CEffect> CompileSource(CGraphicsDevice& device, const std::string& program,
                                                  const std::string& source, CMemoryBudget* budget = nullptr,
                                                  const std::string& name = {}, int64_t* kept = nullptr);
    // Draws with the programs of `compiled`, which this or another declaration of the same file made,
    // with values of its own: false, with a log line, when it is null or lacks the technique.
    bool Use(const std::shared_ptr<CEffect>& compiled);
    // Selects the technique, begins the effect, makes it the render state's current effect, sets
    // currentPass to -1 and returns the number of passes. Returns 0 (and begins nothing) when the
    // effect was never created.
    int Begin(CRenderState& state);

    // The drawing pass loop: begins the effect, runs `prepare()` once, then for every pass closes the
    // pass still open, opens the next (keeping currentPass) and runs `drawPass(pass, effect)`, and at
    // last ends the effect, on every path. With an effect that was never created only prepare and
    // the end run.
    template <class Prepare, class DrawPass>
    void DrawPasses(CRenderState& state, Prepare&& prepare, DrawPass&& drawPass);
    template <class DrawPass> void DrawPasses(CRenderState& state, DrawPass&& drawPass) {
        DrawPasses(
            state, [] {}, drawPass);
    }

    bool IsCreated() const { return effect != nullptr; }
    CEffect* GetEffect() const { return effect.get(); }

    std::vector<ShaderParamName> paramNames;
    std::string program;
    std::string technique;

private:
    // This declaration's values over the programs shared by the declarations of the same file.
    std::unique_ptr<CEffect> effect;
};

// The built-in effect text used for the program ":INTERNAL" (techniques DefaultTextured and
// DefaultNonTextured).
extern const char* const BuiltInEffectText;

// Ends the effect begun by CResourceShader::Begin (closing its open pass) and clears the render
// state's current effect.
void EndCurrentEffect(CRenderState& state);

template <class Prepare, class DrawPass>
void CResourceShader::DrawPasses(CRenderState& state, Prepare&& prepare, DrawPass&& drawPass) {
    const int passes = Begin(state);
    CEffect* open = effect.get();
    prepare();
    for (int pass = 0; open && pass < passes; ++pass) {
        if (state.currentPass != -1)
            open->EndPass();
        open->BeginPass(pass);
        state.currentPass = pass;
        drawPass(pass, *open);
    }
    EndCurrentEffect(state);
}
