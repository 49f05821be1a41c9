// An effect compiled to OpenGL programs, one per pass. The programs may be shared by several effects
// (Instance), each with values of its own: those set before a pass reach every program of it, when
// its pass begins and on CommitChanges. Names the programs do not use are ignored.
#pragma once

#include "Platform/CEffect.h"
#include "Platform/EffectDescription.h"

#include <epoxy/gl.h>

#include <memory>
#include <string>
#include <vector>

class CGLDevice;

// Locations of the uniforms the device itself feeds to every program at draw time.
struct DeviceUniforms {
    GLint flipY = -1;
    GLint remapDepth = -1;
    GLint ambient = -1;
    GLint lightingEnabled = -1;
    GLint light0Enabled = -1;
    GLint light0Position = -1;
    GLint light0Diffuse = -1;
    GLint light0Specular = -1;
    GLint light0Ambient = -1;
    GLint light0Range = -1;
};

struct GLProgram {
    GLuint id = 0;
    std::vector<GLint> locations; // per effect parameter, -1 where the program lacks it
    DeviceUniforms device;
    // Sampling this program's passes ask for, per stage; `has*` false where the device's state holds.
    EffectSampler samplers[2];
};

struct GLContextLink;

class CGLEffect : public CEffect {
public:
    // Compiles every pass of `source`; null with the compiler's message in `errors` on failure.
    static std::unique_ptr<CGLEffect> Create(CGLDevice& device, const EffectDescription& source,
                                             const std::string& name, std::string& errors);
    ~CGLEffect() override;

    std::unique_ptr<CEffect> Instance() const override;

    bool SetTechnique(const std::string& name) override;
    int Begin() override;
    void BeginPass(int pass) override;
    void EndPass() override;
    void End() override;
    void SetMatrix(const char* name, const float* matrix) override;
    void SetValue(const char* name, const void* data, size_t bytes) override;
    void CommitChanges() override;

    // The program of the open pass, or null.
    const GLProgram* OpenProgram() const;

private:
    struct ParamInfo {
        std::string name;
        GLenum type = 0;
        int count = 1; // array length
    };
    struct Param {
        std::vector<float> values; // raw 32-bit values, floats or ints
        bool set = false;
    };
    struct Technique {
        std::string name;
        std::vector<int> programs; // per pass
    };
    // What the compile made, shared by the effects made from it and deleted with the last of them.
    struct Compiled {
        explicit Compiled(CGLDevice& d) : device(d) {}
        ~Compiled();
        CGLDevice& device;
        std::shared_ptr<GLContextLink> deviceLink;
        std::vector<GLProgram> programs;
        std::vector<Technique> techniques;
        std::vector<ParamInfo> params;
        // Per program and parameter, the value the program starts with (its initialiser or zero):
        // what an effect that never set the parameter draws with.
        std::vector<std::vector<std::vector<float>>> defaults;
        // Per program, the effect whose values it holds now; another one uploads all of its own.
        std::vector<const CGLEffect*> holder;
    };

    explicit CGLEffect(std::shared_ptr<Compiled> c);
    static bool Build(Compiled& compiled, const EffectDescription& source, const std::string& name,
                      std::string& errors);
    void Upload(size_t program) const;
    Param* FindParam(const char* name);

    std::shared_ptr<Compiled> compiled;
    std::vector<Param> params; // per compiled parameter
    int technique = -1;
    int openPass = -1;
};
