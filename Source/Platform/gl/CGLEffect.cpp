#include "Platform/gl/CGLEffect.h"

#include "Base/StopRequest.h"
#include "Platform/gl/CCompilerMessages.h"
#include "Platform/gl/CGLDevice.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <utility>

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

// The text handed to the driver for one stage, and for each of its lines the effect file's line (0
// for the lines the device adds). Drivers disagree on what "#line" sets, so messages are mapped back
// through this table instead.
struct StageSource {
    std::string text;
    std::vector<int> fileLines; // [line - 1]

    void Add(const std::string& part, int firstLine) {
        text += part;
        int line = firstLine;
        for (char c : part)
            if (c == '\n')
                fileLines.push_back(firstLine > 0 ? line++ : 0);
    }
    int FileLine(int line) const {
        return line >= 1 && static_cast<size_t>(line) <= fileLines.size() ? fileLines[static_cast<size_t>(line - 1)]
                                                                          : 0;
    }
};

StageSource StageText(const EffectDescription& source, const EffectSection& stage, bool vertex) {
    StageSource out;
    out.Add("#version 330 core\n", 0);
    if (vertex)
        out.Add("#define main qv_EffectMain\n", 0);
    for (const auto& c : source.common)
        out.Add(c.text, c.firstLine);
    out.Add(stage.text, stage.firstLine);
    if (vertex)
        out.Add(VertexEpilogue, 0);
    return out;
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

std::unique_ptr<CGLEffect> CGLEffect::Create(CGLDevice& device, const EffectDescription& source,
                                             const std::string& name, std::string& errors) {
    auto compiled = std::make_shared<Compiled>(device);
    compiled->deviceLink = device.Link();
    if (!Build(*compiled, source, name, errors))
        return nullptr;
    return std::unique_ptr<CGLEffect>(new CGLEffect(std::move(compiled)));
}

CGLEffect::CGLEffect(std::shared_ptr<Compiled> c) : compiled(std::move(c)) {
    params.resize(compiled->params.size());
    for (size_t i = 0; i < params.size(); ++i) {
        const ParamInfo& p = compiled->params[i];
        params[i].values.assign(static_cast<size_t>(Components(p.type) * p.count), 0.0f);
    }
}

std::unique_ptr<CEffect> CGLEffect::Instance() const { return std::unique_ptr<CGLEffect>(new CGLEffect(compiled)); }

bool CGLEffect::Build(Compiled& compiled, const EffectDescription& source, const std::string& name,
                      std::string& errors) {
    auto& programs = compiled.programs;
    auto& techniques = compiled.techniques;
    auto& params = compiled.params;
    // Each stage section is compiled once, and each pairing of them linked once, however many passes
    // name them: every compile goes over all of the shared text again.
    std::map<const EffectSection*, GLuint> stages;
    std::map<std::pair<GLuint, GLuint>, int> linked;
    struct DeleteShaders {
        std::map<const EffectSection*, GLuint>& shaders;
        ~DeleteShaders() {
            for (const auto& [section, shader] : shaders)
                glDeleteShader(shader);
        }
    } deleteShaders{stages};
    // A stop request (SIGINT, SIGTERM) ends a long run of compiles between two of them, unreported.
    auto stage = [&](const EffectSection& section, bool vertex, const std::string& label, GLuint& shader) {
        if (auto found = stages.find(&section); found != stages.end()) {
            shader = found->second;
            return true;
        }
        if (StopRequested()) {
            errors.clear();
            return false;
        }
        std::string log;
        const StageSource text = StageText(source, section, vertex);
        shader = CompileStage(vertex ? GL_VERTEX_SHADER : GL_FRAGMENT_SHADER, text.text, log);
        if (!shader) {
            // The driver counts the lines of the text it was given; the author needs the file's.
            log = CCompilerMessages::MapLines(log, [&](int line) { return text.FileLine(line); });
            const int line = CCompilerMessages::FirstErrorLine(log);
            errors = name + ", " + label + ": " + (line > 0 ? "line " + std::to_string(line) + ":" : "") + "\n" + log;
            return false;
        }
        stages.emplace(&section, shader);
        return true;
    };
    for (const auto& t : source.techniques) {
        Technique technique{t.name, {}};
        for (const auto& pass : t.passes) {
            GLuint v = 0, f = 0;
            if (!stage(*source.FindVertex(pass.vertex), true, "@vertex " + pass.vertex, v) ||
                !stage(*source.FindFragment(pass.fragment), false, "@fragment " + pass.fragment, f))
                return false;
            if (auto found = linked.find({v, f}); found != linked.end()) {
                technique.programs.push_back(found->second);
                continue;
            }
            if (StopRequested()) {
                errors.clear();
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
            glDetachShader(program.id, v);
            glDetachShader(program.id, f);
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
            linked.emplace(std::make_pair(v, f), static_cast<int>(programs.size()));
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
            if (std::none_of(params.begin(), params.end(), [&](const ParamInfo& p) { return p.name == uniform; }))
                params.push_back(ParamInfo{uniform, type, std::max(size, 1)});
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
    compiled.defaults.resize(programs.size());
    compiled.holder.assign(programs.size(), nullptr);
    for (size_t k = 0; k < programs.size(); ++k) {
        GLProgram& program = programs[k];
        program.locations.resize(params.size());
        compiled.defaults[k].resize(params.size());
        for (size_t i = 0; i < params.size(); ++i) {
            const ParamInfo& p = params[i];
            program.locations[i] = glGetUniformLocation(program.id, p.name.c_str());
            if (program.locations[i] < 0)
                continue;
            // A program's uniforms start at their initialisers; that is what a draw sees unless set.
            const int components = Components(p.type);
            std::vector<float>& values = compiled.defaults[k][i];
            values.assign(static_cast<size_t>(components * p.count), 0.0f);
            const bool integer = p.type == GL_INT || p.type == GL_BOOL || p.type == GL_INT_VEC2 ||
                                 p.type == GL_BOOL_VEC2 || p.type == GL_INT_VEC3 || p.type == GL_BOOL_VEC3 ||
                                 p.type == GL_INT_VEC4 || p.type == GL_BOOL_VEC4;
            for (int e = 0; e < p.count; ++e) {
                const GLint at =
                    p.count == 1 ? program.locations[i]
                                 : glGetUniformLocation(program.id, (p.name + "[" + std::to_string(e) + "]").c_str());
                if (at < 0)
                    continue;
                float* into = values.data() + static_cast<size_t>(e * components);
                if (integer)
                    glGetUniformiv(program.id, at, reinterpret_cast<GLint*>(into));
                else
                    glGetUniformfv(program.id, at, into);
            }
        }
    }
    glUseProgram(0);
    return true;
}

CGLEffect::Compiled::~Compiled() {
    if (!deviceLink || !deviceLink->Use())
        return;
    if (const GLProgram* open = device.OpenProgram())
        for (const auto& p : programs)
            if (&p == open)
                device.SetOpenProgram(nullptr);
    for (const auto& p : programs)
        glDeleteProgram(p.id);
}

CGLEffect::~CGLEffect() {
    // The programs outlive this effect where others share them: they no longer hold its values.
    for (auto& h : compiled->holder)
        if (h == this)
            h = nullptr;
    if (!compiled->deviceLink || !compiled->deviceLink->Use())
        return;
    if (const GLProgram* open = OpenProgram(); open && open == compiled->device.OpenProgram())
        compiled->device.SetOpenProgram(nullptr);
}

bool CGLEffect::SetTechnique(const std::string& name) {
    const auto& techniques = compiled->techniques;
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
    return technique < 0 ? 0 : static_cast<int>(compiled->techniques[static_cast<size_t>(technique)].programs.size());
}

void CGLEffect::BeginPass(int pass) {
    if (technique < 0)
        return;
    const auto& t = compiled->techniques[static_cast<size_t>(technique)];
    if (pass < 0 || pass >= static_cast<int>(t.programs.size()))
        return;
    openPass = pass;
    const size_t index = static_cast<size_t>(t.programs[static_cast<size_t>(pass)]);
    const GLProgram& program = compiled->programs[index];
    glUseProgram(program.id);
    Upload(index);
    compiled->device.SetOpenProgram(&program);
}

void CGLEffect::EndPass() {
    if (openPass >= 0 && OpenProgram() == compiled->device.OpenProgram())
        compiled->device.SetOpenProgram(nullptr);
    openPass = -1;
}

void CGLEffect::End() { EndPass(); }

const GLProgram* CGLEffect::OpenProgram() const {
    if (technique < 0 || openPass < 0)
        return nullptr;
    const auto& t = compiled->techniques[static_cast<size_t>(technique)];
    return &compiled->programs[static_cast<size_t>(t.programs[static_cast<size_t>(openPass)])];
}

CGLEffect::Param* CGLEffect::FindParam(const char* name) {
    if (!name)
        return nullptr;
    for (size_t i = 0; i < params.size(); ++i)
        if (std::strcmp(compiled->params[i].name.c_str(), name) == 0)
            return &params[i];
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
    if (technique < 0 || openPass < 0)
        return;
    const auto& t = compiled->techniques[static_cast<size_t>(technique)];
    Upload(static_cast<size_t>(t.programs[static_cast<size_t>(openPass)]));
}

void CGLEffect::Upload(size_t index) const {
    const GLProgram& program = compiled->programs[index];
    // The program may hold another effect's values: then every parameter is uploaded, this effect's
    // own or, where it set none, the program's starting value.
    const bool all = compiled->holder[index] != this;
    compiled->holder[index] = this;
    for (size_t i = 0; i < params.size(); ++i) {
        const Param& own = params[i];
        const ParamInfo& p = compiled->params[i];
        const GLint location = program.locations[i];
        if ((!own.set && !all) || location < 0)
            continue;
        const float* f = own.set ? own.values.data() : compiled->defaults[index][i].data();
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
