#include "System/CSystem.h"

#include "Base/CTokeniser.h"
#include "Base/Log.h"
#include "Base/Names.h"
#include "Render/CRenderState.h"

#include <algorithm>
#include <cmath>

namespace {

bool Is(const char* a, const char* b) { return SameName(a, b); }

// The next token must be `=` followed by a token of the given type.
bool ReadValue(CTokeniser& t, TokenType expected) {
    if (t.NextToken() != TokenType::Equals)
        return false;
    return t.NextToken() == expected;
}

bool ReadNumber(CTokeniser& t, double& value) {
    if (!ReadValue(t, TokenType::Number))
        return false;
    value = t.GetNumber();
    return true;
}

} // namespace

CSystem::CSystem(const PresentationLimits& limits) : budget(limits.memoryLimitMiB) {
    resources.SetBudget(&budget);
    resources.SetIgnoreErrors(limits.ignoreResourceErrors);
    scenes.SetBudget(&budget);
}
CSystem::~CSystem() = default;

bool CSystem::LoadFromTokeniser(CTokeniser& t) {
    t.tempo = tempo;
    t.reactions = &reactions;
    for (;;) {
        if (t.NextToken() != TokenType::Word)
            return false;
        const char* word = t.GetString();
        bool ok;
        if (Is(word, "resources")) {
            ok = resources.LoadFromTokeniser(t);
        } else if (Is(word, "system")) {
            ok = LoadSystemBlockFromTokeniser(t);
        } else if (Is(word, "scene")) {
            ok = scenes.LoadFromTokeniser(t);
        } else if (Is(word, "end")) {
            return true;
        } else {
            LOG("CSystem::LoadFromTokeniser", "Unknown block '%s' in system config on line %d", word, t.line);
            return false;
        }
        if (!ok)
            return false;
    }
}

bool CSystem::LoadSystemBlockFromTokeniser(CTokeniser& t) {
    if (t.NextToken() != TokenType::OpenBrace)
        return false;
    for (;;) {
        TokenType type = t.NextToken();
        if (type == TokenType::CloseBrace)
            return true;
        if (type != TokenType::Word)
            return false;
        std::string key = t.GetString();
        const char* k = key.c_str();

        if (Is(k, "AppName") || Is(k, "SettingsTitle") || Is(k, "SettingsOk") || Is(k, "SettingsCancel") ||
            Is(k, "Music")) {
            if (!ReadValue(t, TokenType::Word))
                return false;
            std::string value = t.GetString();
            if (Is(k, "AppName"))
                AppName = value;
            else if (Is(k, "SettingsTitle"))
                SettingsTitle = value;
            else if (Is(k, "SettingsOk"))
                SettingsOk = value;
            else if (Is(k, "SettingsCancel"))
                SettingsCancel = value;
            else
                Music = value;
        } else if (Is(k, "SpectrumEnabled")) {
            if (!ReadValue(t, TokenType::Word))
                return false;
            if (Is(t.GetString(), "true"))
                SpectrumEnabled = true;
            else if (Is(t.GetString(), "false"))
                SpectrumEnabled = false;
            else
                return false;
        } else if (Is(k, "Bpm") || Is(k, "Beats") || Is(k, "Ticks")) {
            double value;
            if (!ReadNumber(t, value))
                return false;
            // A tempo of zero or below makes every later time infinite or meaningless.
            bool isBpm = Is(k, "Bpm");
            double stored = isBpm ? static_cast<double>(static_cast<float>(value)) : std::trunc(value);
            if (!(stored > 0.0) || !std::isfinite(stored) || (!isBpm && stored > 2147483647.0)) {
                // Beats and Ticks are counts: 0.5 truncates to 0, and 2^31 does not fit.
                LOG("CSystem::LoadSystemBlockFromTokeniser", "Invalid value for '%s' on line %d: it must be %s", k,
                    t.line, isBpm ? "a number greater than zero" : "a whole number from 1 to 2147483647");
                return false;
            }
            if (isBpm)
                tempo.SetBpm(static_cast<float>(value));
            else if (Is(k, "Beats"))
                tempo.SetBeats(static_cast<int>(stored));
            else
                tempo.SetTicks(static_cast<int>(stored));
            // Every time literal from here on is read with the new tempo.
            t.tempo = tempo;
        } else if (Is(k, "DebugStartTime")) {
            if (!ReadValue(t, TokenType::Time))
                return false;
            float seconds;
            if (!t.tempo.ToSeconds(t.GetBar(), t.GetBeat(), t.GetTick(), seconds))
                return false;
            DebugStartTime = seconds;
        } else {
            return false;
        }
    }
}

bool CSystem::CreateAllResources(CGraphicsDevice& device, const ScreenSetup& screen, const CSystem* previous) {
    renderState = std::make_unique<CRenderState>(device, screen);
    resources.SetRenderTargetSize(screen.renderTargetSize);
    return resources.CreateAllResources(device, previous ? &previous->resources : nullptr);
}

bool CSystem::CreateAllScenes() { return renderState && scenes.CreateAllScenes(*renderState, resources); }

void CSystem::RenderScenes(float time, float delta) {
    if (renderState)
        scenes.RenderScenes(*renderState, time, delta);
}

float CSystem::LastSceneEnd() const {
    float end = 0.0f;
    for (const Scene& scene : scenes.GetScenes())
        end = std::max(end, scene.endTime);
    return end;
}
