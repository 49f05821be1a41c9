// A named effect: compiled from an effect file in the data paths or from the built-in effect text,
// with the technique that layers draw with. Layers look it up by name each frame and run one
// drawing pass loop per Begin.
#pragma once

#include <memory>
#include <string>
#include <vector>

class CEffect;
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
    CResourceShader();
    ~CResourceShader();

    // Reads program, technique and the parameter-name block after the shader's name.
    bool LoadFromTokeniser(CTokeniser& tokeniser);
    // Compiles the effect on the current graphics device.
    bool Create();
    // Selects the technique, begins the effect, makes it the render state's current effect, sets
    // currentPass to -1 and returns the number of passes. Returns 0 (and begins nothing) when the
    // effect was never created.
    int Begin();

    bool IsCreated() const { return effect != nullptr; }
    CEffect* GetEffect() const { return effect.get(); }

    std::vector<ShaderParamName> paramNames;
    std::string program;
    std::string technique;

private:
    std::unique_ptr<CEffect> effect;
};

// The effect pass that is open, or -1.
extern int currentPass;

// The built-in effect text used for the program ":INTERNAL" (techniques DefaultTextured and
// DefaultNonTextured).
extern const char* const BuiltInEffectText;

// Ends the effect begun by CResourceShader::Begin (closing its open pass) and clears the render
// state's current effect. Every layer that begins an effect calls this on every path.
void EndCurrentEffect();
