#include "Platform/CGLEffect.h"

#include "Platform/CGLDevice.h"

#include <algorithm>
#include <cstring>

namespace {

// Wraps the effect's vertex main so that the device can flip drawing into render targets and, without
// clip control, move depth from 0..1 to GL's -1..1.
const char* const VertexEpilogue = R"(
#undef main
uniform float qv_FlipY;
uniform float qv_RemapDepth;
void main() {
    qv_EffectMain();
    gl_Position.y *= qv_FlipY;
    if (qv_RemapDepth > 0.5)
        gl_Position.z = 2.0 * gl_Position.z - gl_Position.w;
}
)";

std::string LineDirective(int line) { return "#line " + std::to_string(line) + "\n"; }

std::string StageText(const CEffectSource& source, const EffectSection& stage, bool vertex) {
    std::string text = "#version 330 core\n";
    if (vertex)
        text += "#define main qv_EffectMain\n";
    for (const auto& c : source.common)
        text += LineDirective(c.firstLine) + c.text;
    text += LineDirective(stage.firstLine) + stage.text;
    if (vertex)
        text += VertexEpilogue;
    return text;
}

GLuint CompileStage(GLenum kind, const std::string& text, std::string& log) {
    GLuint shader = glCreateShader(kind);
    const char* src = text.c_str();
    glShaderSource(shader, 1, &src, nullptr);
    glCompileShader(shader);
    GLint ok = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        GLint length = 0;
        glGetShaderiv(shader, GL_INFO_LOG_LENGTH, &length);
        std::string info(static_cast<size_t>(std::max(length, 1)), '\0');
        glGetShaderInfoLog(shader, length, nullptr, info.data());
        log = info.c_str();
        glDeleteShader(shader);
        return 0;
    }
    return shader;
}

int Components(GLenum type) {
    switch (type) {
    case GL_FLOAT:
    case GL_INT:
    case GL_BOOL:
        return 1;
    case GL_FLOAT_VEC2:
    case GL_INT_VEC2:
    case GL_BOOL_VEC2:
        return 2;
    case GL_FLOAT_VEC3:
    case GL_INT_VEC3:
    case GL_BOOL_VEC3:
        return 3;
    case GL_FLOAT_VEC4:
    case GL_INT_VEC4:
    case GL_BOOL_VEC4:
    case GL_FLOAT_MAT2:
        return 4;
    case GL_FLOAT_MAT3:
        return 9;
    case GL_FLOAT_MAT4:
        return 16;
    default:
        return 0;
    }
}

bool IsDeviceUniform(const std::string& name) {
    static const char* const names[] = {"g_Ambient",       "g_LightingEnabled", "g_Light0Enabled", "g_Light0Position",
                                        "g_Light0Diffuse", "g_Light0Specular",  "g_Light0Ambient", "g_Light0Range"};
    return name.compare(0, 3, "qv_") == 0 ||
           std::any_of(std::begin(names), std::end(names), [&](const char* n) { return name == n; });
}

} // namespace

std::unique_ptr<CGLEffect> CGLEffect::Create(CGLDevice& device, const std::string& text, const std::string& name,
                                             std::string& errors) {
    CEffectSource source;
    std::string parseError;
    if (!CEffectSource::Parse(text, source, parseError)) {
        errors = name + ": " + parseError;
        return nullptr;
    }
    std::unique_ptr<CGLEffect> effect(new CGLEffect(device));
    effect->deviceLink = device.Link();
    if (!effect->Build(source, name, errors))
        return nullptr;
    return effect;
}

bool CGLEffect::Build(const CEffectSource& source, const std::string& name, std::string& errors) {
    for (const auto& t : source.techniques) {
        Technique technique{t.name, {}};
        for (const auto& pass : t.passes) {
            const EffectSection* vs = source.FindVertex(pass.vertex);
            const EffectSection* fs = source.FindFragment(pass.fragment);
            std::string log;
            GLuint v = CompileStage(GL_VERTEX_SHADER, StageText(source, *vs, true), log);
            if (!v) {
                errors = name + ", @vertex " + pass.vertex + ":\n" + log;
                return false;
            }
            GLuint f = CompileStage(GL_FRAGMENT_SHADER, StageText(source, *fs, false), log);
            if (!f) {
                glDeleteShader(v);
                errors = name + ", @fragment " + pass.fragment + ":\n" + log;
                return false;
            }
            GLProgram program;
            program.id = glCreateProgram();
            glAttachShader(program.id, v);
            glAttachShader(program.id, f);
            // Effects normally give locations themselves; these names get them when they do not.
            glBindAttribLocation(program.id, 0, "inPosition");
            glBindAttribLocation(program.id, 1, "inNormal");
            glBindAttribLocation(program.id, 2, "inDiffuse");
            glBindAttribLocation(program.id, 3, "inTexCoord");
            glLinkProgram(program.id);
            glDeleteShader(v);
            glDeleteShader(f);
            GLint ok = GL_FALSE;
            glGetProgramiv(program.id, GL_LINK_STATUS, &ok);
            if (!ok) {
                GLint length = 0;
                glGetProgramiv(program.id, GL_INFO_LOG_LENGTH, &length);
                std::string info(static_cast<size_t>(std::max(length, 1)), '\0');
                glGetProgramInfoLog(program.id, length, nullptr, info.data());
                glDeleteProgram(program.id);
                errors = name + ", technique " + t.name + ": link failed:\n" + info.c_str();
                return false;
            }
            technique.programs.push_back(static_cast<int>(programs.size()));
            programs.push_back(program);
        }
        techniques.push_back(technique);
    }

    // Gather every uniform of every program into the effect's parameter table.
    for (auto& program : programs) {
        GLint count = 0;
        glGetProgramiv(program.id, GL_ACTIVE_UNIFORMS, &count);
        glUseProgram(program.id);
        for (GLint i = 0; i < count; ++i) {
            char buffer[256];
            GLsizei length = 0;
            GLint size = 0;
            GLenum type = 0;
            glGetActiveUniform(program.id, static_cast<GLuint>(i), sizeof(buffer), &length, &size, &type, buffer);
            std::string uniform(buffer, static_cast<size_t>(length));
            if (size_t bracket = uniform.find('['); bracket != std::string::npos)
                uniform.resize(bracket);
            if (type == GL_SAMPLER_2D) {
                const GLint unit = uniform == "g_Texture1" ? 1 : 0;
                glUniform1i(glGetUniformLocation(program.id, uniform.c_str()), unit);
                continue;
            }
            if (IsDeviceUniform(uniform) || Components(type) == 0)
                continue;
            if (std::none_of(params.begin(), params.end(), [&](const Param& p) { return p.name == uniform; })) {
                Param p;
                p.name = uniform;
                p.type = type;
                p.count = std::max(size, 1);
                p.values.assign(static_cast<size_t>(Components(type) * p.count), 0.0f);
                params.push_back(std::move(p));
            }
        }
        auto& d = program.device;
        d.flipY = glGetUniformLocation(program.id, "qv_FlipY");
        d.remapDepth = glGetUniformLocation(program.id, "qv_RemapDepth");
        d.ambient = glGetUniformLocation(program.id, "g_Ambient");
        d.lightingEnabled = glGetUniformLocation(program.id, "g_LightingEnabled");
        d.light0Enabled = glGetUniformLocation(program.id, "g_Light0Enabled");
        d.light0Position = glGetUniformLocation(program.id, "g_Light0Position");
        d.light0Diffuse = glGetUniformLocation(program.id, "g_Light0Diffuse");
        d.light0Specular = glGetUniformLocation(program.id, "g_Light0Specular");
        d.light0Ambient = glGetUniformLocation(program.id, "g_Light0Ambient");
        d.light0Range = glGetUniformLocation(program.id, "g_Light0Range");
        for (const auto& s : source.samplers) {
            if (s.uniform == "g_Texture")
                program.samplers[0] = s;
            else if (s.uniform == "g_Texture1")
                program.samplers[1] = s;
        }
    }
    for (auto& program : programs) {
        program.locations.resize(params.size());
        for (size_t i = 0; i < params.size(); ++i)
            program.locations[i] = glGetUniformLocation(program.id, params[i].name.c_str());
    }
    glUseProgram(0);
    return true;
}

CGLEffect::~CGLEffect() {
    if (!deviceLink || !deviceLink->Use())
        return;
    if (const GLProgram* open = device.OpenProgram())
        for (const auto& p : programs)
            if (&p == open)
                device.SetOpenProgram(nullptr);
    for (const auto& p : programs)
        glDeleteProgram(p.id);
}

bool CGLEffect::SetTechnique(const std::string& name) {
    for (size_t i = 0; i < techniques.size(); ++i) {
        if (techniques[i].name == name) {
            technique = static_cast<int>(i);
            return true;
        }
    }
    technique = -1;
    return false;
}

int CGLEffect::Begin() {
    openPass = -1;
    return technique < 0 ? 0 : static_cast<int>(techniques[static_cast<size_t>(technique)].programs.size());
}

void CGLEffect::BeginPass(int pass) {
    if (technique < 0)
        return;
    const auto& t = techniques[static_cast<size_t>(technique)];
    if (pass < 0 || pass >= static_cast<int>(t.programs.size()))
        return;
    openPass = pass;
    const GLProgram& program = programs[static_cast<size_t>(t.programs[static_cast<size_t>(pass)])];
    glUseProgram(program.id);
    Upload(program);
    device.SetOpenProgram(&program);
}

void CGLEffect::EndPass() {
    if (openPass >= 0 && OpenProgram() == device.OpenProgram())
        device.SetOpenProgram(nullptr);
    openPass = -1;
}

void CGLEffect::End() { EndPass(); }

const GLProgram* CGLEffect::OpenProgram() const {
    if (technique < 0 || openPass < 0)
        return nullptr;
    const auto& t = techniques[static_cast<size_t>(technique)];
    return &programs[static_cast<size_t>(t.programs[static_cast<size_t>(openPass)])];
}

CGLEffect::Param* CGLEffect::FindParam(const char* name) {
    if (!name)
        return nullptr;
    for (auto& p : params)
        if (std::strcmp(p.name.c_str(), name) == 0)
            return &p;
    return nullptr;
}

void CGLEffect::SetMatrix(const char* name, const float* matrix) {
    Param* p = FindParam(name);
    if (!p || !matrix)
        return;
    std::memcpy(p->values.data(), matrix, std::min<size_t>(16, p->values.size()) * sizeof(float));
    p->set = true;
}

void CGLEffect::SetValue(const char* name, const void* data, size_t bytes) {
    Param* p = FindParam(name);
    if (!p || !data)
        return;
    std::memcpy(p->values.data(), data, std::min(bytes, p->values.size() * sizeof(float)));
    p->set = true;
}

void CGLEffect::CommitChanges() {
    if (const GLProgram* program = OpenProgram())
        Upload(*program);
}

void CGLEffect::Upload(const GLProgram& program) const {
    for (size_t i = 0; i < params.size(); ++i) {
        const Param& p = params[i];
        const GLint location = program.locations[i];
        if (!p.set || location < 0)
            continue;
        const float* f = p.values.data();
        const GLint* n = reinterpret_cast<const GLint*>(f);
        switch (p.type) {
        case GL_FLOAT:
            glUniform1fv(location, p.count, f);
            break;
        case GL_FLOAT_VEC2:
            glUniform2fv(location, p.count, f);
            break;
        case GL_FLOAT_VEC3:
            glUniform3fv(location, p.count, f);
            break;
        case GL_FLOAT_VEC4:
            glUniform4fv(location, p.count, f);
            break;
        case GL_FLOAT_MAT2:
            glUniformMatrix2fv(location, p.count, GL_FALSE, f);
            break;
        case GL_FLOAT_MAT3:
            glUniformMatrix3fv(location, p.count, GL_FALSE, f);
            break;
        case GL_FLOAT_MAT4:
            glUniformMatrix4fv(location, p.count, GL_FALSE, f);
            break;
        case GL_INT:
        case GL_BOOL:
            glUniform1iv(location, p.count, n);
            break;
        case GL_INT_VEC2:
        case GL_BOOL_VEC2:
            glUniform2iv(location, p.count, n);
            break;
        case GL_INT_VEC3:
        case GL_BOOL_VEC3:
            glUniform3iv(location, p.count, n);
            break;
        case GL_INT_VEC4:
        case GL_BOOL_VEC4:
            glUniform4iv(location, p.count, n);
            break;
        default:
            break;
        }
    }
}
