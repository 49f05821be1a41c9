#include "Resources/CResourceShader.h"

#include "Base/CMemoryBudget.h"
#include "Base/CTokeniser.h"
#include "Base/DataFile.h"
#include "Base/EscapeControlCharacters.h"
#include "Base/Log.h"
#include "Base/Names.h"
#include "Base/StopRequest.h"
#include "Platform/CEffect.h"
#include "Platform/CGraphicsDevice.h"
#include "Render/CRenderState.h"
#include "Resources/Effect/CEffectParser.h"

#include <cmath>
#include <cstdio>

namespace {
const char* const InternalProgram = ":INTERNAL";
}

CResourceShader::CResourceShader() = default;
CResourceShader::~CResourceShader() = default;

bool CResourceShader::LoadFromTokeniser(CTokeniser& t) {
    if (t.NextToken() != TokenType::Word)
        return false;
    program = t.GetString();
    if (t.NextToken() != TokenType::Word)
        return false;
    technique = t.GetString();
    if (t.NextToken() != TokenType::OpenBrace)
        return false;

    for (;;) {
        TokenType type = t.NextToken();
        if (type != TokenType::Word) {
            if (type == TokenType::CloseBrace)
                return true;
            LOG("CResourceShader::LoadFromTokeniser", "Error loading parameter names at line %d", t.line);
            return false;
        }
        ShaderParamName entry;
        if (SameName(t.GetString(), "Float"))
            entry.kind = ShaderParamKind::Float;
        else if (SameName(t.GetString(), "TextureUnit"))
            entry.kind = ShaderParamKind::TextureUnit;
        else
            return false;
        if (t.NextToken() != TokenType::Number)
            return false;
        double index = std::trunc(t.GetNumber());
        if (!(index >= 1.0 && index <= 5.0))
            return false;
        entry.index = static_cast<int>(index);
        if (t.NextToken() != TokenType::Equals || t.NextToken() != TokenType::Word) {
            LOG("CResourceShader::LoadFromTokeniser", "Error loading parameter names at line %d", t.line);
            return false;
        }
        entry.name = t.GetString();
        if (entry.kind == ShaderParamKind::Float)
            entry.key = "float_" + std::to_string(entry.index);
        paramNames.push_back(std::move(entry));
    }
}

std::shared_ptr<CEffect> CResourceShader::Compile(CGraphicsDevice& device, const std::string& program,
                                                  CMemoryBudget* budget, const std::string& name) {
    std::string source;
    if (!ReadProgram(program, source))
        return nullptr;
    return CompileSource(device, program, source, budget, name);
}

bool CResourceShader::ReadProgram(const std::string& program, std::string& source) {
    if (program == InternalProgram) {
        source = BuiltInEffectText;
        return true;
    }
    std::vector<uint8_t> bytes;
    const DataFileResult read = ReadDataFile(program, bytes, MaxEffectBytes);
    if (read == DataFileResult::NotFound) {
        LOG("CResourceShader::Create", "Failed to find shader program '%s'", program.c_str());
        return false;
    }
    if (read == DataFileResult::TooLarge) {
        LOG("CResourceShader::Create", "Failed to read shader program '%s': the file is larger than %d MiB",
            program.c_str(), static_cast<int>(MaxEffectBytes >> 20));
        return false;
    }
    if (read != DataFileResult::Ok) {
        LOG("CResourceShader::Create", "Failed to read shader program '%s': %s", program.c_str(),
            ReadFailureReason(read));
        return false;
    }
    source.assign(bytes.begin(), bytes.end());
    return true;
}

std::shared_ptr<CEffect> CResourceShader::CompileSource(CGraphicsDevice& device, const std::string& program,
                                                        const std::string& source, CMemoryBudget* budget,
                                                        const std::string& name, int64_t* kept) {
    // What the parser and the compiler hold while they work goes back once they are done; only the
    // programs stay, one for each pass of each technique.
    const int64_t working = CMemoryBudget::CompileBytes(static_cast<int64_t>(source.size()));
    if (budget && !budget->Charge(working, "shader", name))
        return nullptr;
    // The format is the engine's own: it is read once here, and every device compiles what it says.
    std::string errors;
    std::shared_ptr<CEffect> compiled;
    EffectDescription effect;
    int64_t charged = 0;
    if (CEffectParser::Parse(source, effect, errors)) {
        for (const EffectTechnique& technique : effect.techniques)
            charged += static_cast<int64_t>(technique.passes.size()) * CMemoryBudget::ProgramBytes;
        if (budget && !budget->Charge(charged, "shader", name)) {
            budget->Refund(working);
            return nullptr;
        }
        compiled = device.CreateEffect(effect, program, errors);
    } else {
        errors = program + ": " + errors;
    }
    if (budget)
        budget->Refund(working);
    if (!compiled) {
        if (budget)
            budget->Refund(charged);
        // A stop request ends the compiles unreported: the caller says why the run ends.
        if (StopRequested())
            return nullptr;
        LOG("CResourceShader::Create", "Failed to create shader");
        // The compiler's own words are what a script author needs to fix the effect.
        // Devices that already name the file in their messages get no second copy of the name.
        if (errors.compare(0, program.size(), program) != 0)
            errors = program + ": " + errors;
        LOG("CResourceShader::Create", "%s", errors.c_str());
        if (!IsLogEnabled())
            std::fprintf(stderr, "%s\n", EscapeControlCharacters(errors).c_str());
        return nullptr;
    }
    if (kept)
        *kept = charged;
    return compiled;
}

bool CResourceShader::Create(CGraphicsDevice& device) { return Use(Compile(device, program)); }

bool CResourceShader::Use(const std::shared_ptr<CEffect>& compiled) {
    if (!compiled)
        return false;
    // A misspelt technique would otherwise draw nothing without a word; say so while starting.
    if (!compiled->SetTechnique(technique)) {
        LOG("CResourceShader::Create", "Failed to find technique '%s' in shader program '%s'", technique.c_str(),
            program.c_str());
        if (!IsLogEnabled())
            std::fprintf(stderr, "%s\n",
                         EscapeControlCharacters(program + ": no technique '" + technique + "'").c_str());
        return false;
    }
    // Values set by the layers of one declaration must not reach those of another: each draws with
    // its own values over the shared programs.
    std::unique_ptr<CEffect> own = compiled->Instance();
    if (!own)
        return false;
    effect = std::move(own);
    return true;
}

int CResourceShader::Begin(CRenderState& state) {
    if (!effect || !effect->SetTechnique(technique))
        return 0;
    int passes = effect->Begin();
    state.currentEffect = effect.get();
    state.currentPass = -1;
    return passes;
}

void EndCurrentEffect(CRenderState& state) {
    if (state.currentEffect)
        state.currentEffect->End();
    state.currentEffect = nullptr;
}
