// An effect compiled to OpenGL programs, one per pass. Parameters live in the effect, so values set
// before a pass reach every program of it; each program receives them when its pass begins and on
// CommitChanges. Names the programs do not use are ignored.
#pragma once

#include "Platform/CEffect.h"
#include "Platform/CEffectSource.h"

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
    static std::unique_ptr<CGLEffect> Create(CGLDevice& device, const std::string& text, const std::string& name,
                                             std::string& errors);
    ~CGLEffect() override;

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
    struct Param {
        std::string name;
        GLenum type = 0;
        int count = 1;             // array length
        std::vector<float> values; // raw 32-bit values, floats or ints
        bool set = false;
    };
    struct Technique {
        std::string name;
        std::vector<int> programs; // per pass
    };

    explicit CGLEffect(CGLDevice& d) : device(d) {}
    bool Build(const CEffectSource& source, const std::string& name, std::string& errors);
    void Upload(const GLProgram& program) const;
    Param* FindParam(const char* name);

    CGLDevice& device;
    std::shared_ptr<GLContextLink> deviceLink;
    std::vector<GLProgram> programs;
    std::vector<Technique> techniques;
    std::vector<Param> params;
    int technique = -1;
    int openPass = -1;
};
