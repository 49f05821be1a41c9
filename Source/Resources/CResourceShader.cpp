#include "Resources/CResourceShader.h"

#include "Base/CTokeniser.h"
#include "Base/DataFile.h"
#include "Base/EscapeControlCharacters.h"
#include "Base/Log.h"
#include "Base/Names.h"
#include "Platform/CEffect.h"
#include "Platform/CGraphicsDevice.h"
#include "Render/CRenderState.h"

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

bool CResourceShader::Create(CGraphicsDevice& device) {
    std::string source;
    if (program == InternalProgram) {
        source = BuiltInEffectText;
    } else {
        std::vector<uint8_t> bytes;
        const DataFileResult read = ReadDataFile(program, bytes);
        if (read == DataFileResult::NotFound) {
            LOG("CResourceShader::Create", "Failed to find shader program '%s'", program.c_str());
            return false;
        }
        if (read != DataFileResult::Ok) {
            const char* reason = NotAFileReason(read);
            if (!reason)
                reason = read == DataFileResult::TooLarge ? "the file is larger than 512 MiB"
                                                          : "the file cannot be read whole";
            LOG("CResourceShader::Create", "Failed to read shader program '%s': %s", program.c_str(), reason);
            return false;
        }
        source.assign(bytes.begin(), bytes.end());
    }

    std::string errors;
    std::unique_ptr<CEffect> compiled = device.CreateEffect(source, program, errors);
    if (!compiled) {
        LOG("CResourceShader::Create", "Failed to create shader");
        // The compiler's own words are what a script author needs to fix the effect.
        // Devices that already name the file in their messages get no second copy of the name.
        if (errors.compare(0, program.size(), program) != 0)
            errors = program + ": " + errors;
        LOG("CResourceShader::Create", "%s", errors.c_str());
        if (!IsLogEnabled())
            std::fprintf(stderr, "%s\n", EscapeControlCharacters(errors).c_str());
        return false;
    }
    // A misspelt technique would otherwise draw nothing without a word; say so while starting.
    if (!compiled->SetTechnique(technique)) {
        LOG("CResourceShader::Create", "Failed to find technique '%s' in shader program '%s'", technique.c_str(),
            program.c_str());
        if (!IsLogEnabled())
            std::fprintf(stderr, "%s\n",
                         EscapeControlCharacters(program + ": no technique '" + technique + "'").c_str());
        return false;
    }
    effect = std::move(compiled);
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
