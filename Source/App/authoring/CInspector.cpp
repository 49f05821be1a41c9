#include "App/authoring/CInspector.h"

#include "Base/AudioReactions.h"
#include "Base/Names.h"
#include "Layers/CLayer.h"
#include "Params/CParam.h"
#include "Platform/OverlayData.h"
#include "Scenes/CSceneManager.h"
#include "Scenes/ScriptEdit.h"
#include "System/CSystem.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

const char* KindWord(InterpolationKind kind) {
    for (const InterpolationKeyword& entry : InterpolationKeywords)
        if (entry.kind == kind)
            return entry.keyword;
    return "";
}

const LayerEntry* FindLayer(const Scene& scene, const std::string& name) {
    for (const LayerEntry& entry : scene.layers.GetLayers())
        if (SameName(entry.name, name))
            return &entry;
    return nullptr;
}

bool Running(const Scene& scene, float time) { return time >= scene.startTime && time < scene.endTime; }

// The script's text for one component of a value of `param`'s type.
std::string ComponentText(const CParam& param, float value) {
    const std::string type = param.TypeName();
    if (type == "bool")
        return value >= 0.5f ? "true" : "false";
    if (type == "int")
        return FormatScriptNumber(static_cast<float>(CParam::TruncateToInt(value)));
    return FormatScriptNumber(value);
}

} // namespace

const Scene* CInspector::OpenScene(const CSystem& system) const {
    const std::vector<Scene>& scenes = system.scenes.GetScenes();
    if (sceneIndex < 0 || static_cast<size_t>(sceneIndex) >= scenes.size())
        return nullptr;
    return &scenes[static_cast<size_t>(sceneIndex)];
}

CParam* CInspector::FindParam(const CSystem& system, const std::string& parameter) const {
    const Scene* scene = OpenScene(system);
    const LayerEntry* entry = scene ? FindLayer(*scene, layer) : nullptr;
    return entry ? entry->layer->params.FindParam(parameter) : nullptr;
}

void CInspector::Open(CSystem& system, int scene, const std::string& name) {
    const std::vector<Scene>& scenes = system.scenes.GetScenes();
    if (scene < 0 || static_cast<size_t>(scene) >= scenes.size() ||
        !FindLayer(scenes[static_cast<size_t>(scene)], name))
        return;
    if (scene != sceneIndex || !SameName(name, layer))
        Discard(&system);
    sceneIndex = scene;
    layer = name;
    highlightScene = scene;
    highlightLayer = name;
}

void CInspector::Close(CSystem* system) {
    Discard(system);
    sceneIndex = -1;
    layer.clear();
}

void CInspector::MoveHighlight(const CSystem& system, float time, int step) {
    // The rows of the scenes list, in its order.
    std::vector<std::pair<int, const std::string*>> rows;
    const std::vector<Scene>& scenes = system.scenes.GetScenes();
    for (size_t i = 0; i < scenes.size(); ++i)
        if (Running(scenes[i], time))
            for (const LayerEntry& entry : scenes[i].layers.GetLayers())
                rows.emplace_back(static_cast<int>(i), &entry.name);
    if (rows.empty())
        return;
    int at = -1;
    for (size_t i = 0; i < rows.size(); ++i)
        if (rows[i].first == highlightScene && SameName(*rows[i].second, highlightLayer))
            at = static_cast<int>(i);
    // From nowhere, the first step down lands on the first row and the first step up on the last.
    if (at < 0)
        at = step > 0 ? -1 : static_cast<int>(rows.size());
    at = std::clamp(at + step, 0, static_cast<int>(rows.size()) - 1);
    highlightScene = rows[static_cast<size_t>(at)].first;
    highlightLayer = *rows[static_cast<size_t>(at)].second;
}

bool CInspector::OpenHighlighted(CSystem& system) {
    if (highlightScene < 0)
        return false;
    Open(system, highlightScene, highlightLayer);
    return IsOpen();
}

bool CInspector::IsHighlighted(int scene, const std::string& name) const {
    return scene == highlightScene && SameName(name, highlightLayer);
}

bool CInspector::Tweak(CSystem& system, const std::string& parameter, const float* values) {
    CParam* param = FindParam(system, parameter);
    if (!param || param->Components() == 0)
        return false;
    std::array<float, 4> kept{};
    for (int i = 0; i < param->Components(); ++i) {
        if (!std::isfinite(values[i]))
            return false;
        kept[static_cast<size_t>(i)] = values[i];
    }
    // A tweak made after a write is a new edit: the written ones are in the script already.
    if (written) {
        edits.clear();
        written = false;
    }
    edits[parameter] = kept;
    param->SetOverride(kept.data());
    return true;
}

void CInspector::Discard(CSystem* system) {
    if (system)
        for (const auto& [name, values] : edits)
            if (CParam* param = FindParam(*system, name))
                param->ClearOverride();
    edits.clear();
    written = false;
}

void CInspector::Apply(CSystem& system) {
    for (const auto& [name, values] : edits)
        if (CParam* param = FindParam(system, name))
            param->SetOverride(values.data());
}

void CInspector::PresentationChanged(CSystem& system) {
    if (written) {
        edits.clear();
        written = false;
    }
    const Scene* scene = OpenScene(system);
    if (!scene || !FindLayer(*scene, layer)) {
        edits.clear();
        sceneIndex = -1;
        layer.clear();
        return;
    }
    Apply(system);
}

bool CInspector::WriteEdits(const CSystem& system, const std::string& script, float time, bool keyframes,
                            std::string& result, std::string& error) const {
    const Scene* scene = OpenScene(system);
    if (!scene || edits.empty()) {
        error = "Nothing to write";
        return false;
    }
    std::string text = script;
    for (const auto& [name, values] : edits) {
        const CParam* param = FindParam(system, name);
        if (!param) {
            error = "The layer '" + layer + "' has no parameter '" + name + "' any more";
            return false;
        }
        ScriptEdit edit;
        edit.scene = scene->name;
        edit.layer = layer;
        edit.parameter = name;
        edit.playhead = system.tempo.NearestTick(time);
        edit.keyframe = keyframes;
        edit.oneKeyframeActs = param->OneKeyframeTakesEffect();
        const int components = param->Components();
        float start[4] = {0.0f, 0.0f, 0.0f, 0.0f};
        param->KeyframedComponents(0.0f, start);
        for (int i = 0; i < components; ++i) {
            edit.value.push_back(ComponentText(*param, values[static_cast<size_t>(i)]));
            edit.valueAtSceneStart.push_back(ComponentText(*param, start[i]));
        }
        std::string edited;
        if (!EditScript(text, edit, edited, error)) {
            error = name + ": " + error;
            return false;
        }
        text = std::move(edited);
    }
    result = std::move(text);
    return true;
}

void CInspector::Fill(const CSystem& system, float time, OverlayInspector& panel) const {
    const Scene* scene = OpenScene(system);
    const LayerEntry* entry = scene ? FindLayer(*scene, layer) : nullptr;
    if (!entry)
        return;
    panel.open = true;
    panel.scene = scene->name;
    panel.layer = entry->name;
    panel.type = entry->type;
    panel.sceneStart = scene->startTime;
    panel.sceneEnd = scene->endTime;
    panel.running = Running(*scene, time);
    panel.hasEdits = !edits.empty() && !written;
    const float length = std::max(scene->endTime - scene->startTime, 1e-3f);
    const float local = std::clamp(time - scene->startTime, 0.0f, length);
    // Values that follow the music look it up at the music's time, which is the scene's time from here.
    const float drawnSceneStart = ActiveReactions.sceneStart;
    ActiveReactions.sceneStart = scene->startTime;
    for (const ParamEntry& named : entry->layer->params.GetEntries()) {
        const CParam& param = *named.param;
        OverlayParameter row;
        row.name = named.name;
        row.type = param.TypeName();
        row.components = std::clamp(param.Components(), 0, 4);
        row.whole = row.type == "int";
        row.boolean = row.type == "bool";
        row.keyframes = static_cast<int>(param.KeyframeCount());
        row.edited = param.IsOverridden();
        if (param.HasIgnoredLoneKeyframe())
            row.loneLine = param.firstKeyframeLine;
        InterpolationKind kind;
        if (param.KindAt(local, kind))
            row.kind = KindWord(kind);
        if (row.components == 0) {
            row.word = param.WordValue(local);
            panel.parameters.push_back(std::move(row));
            continue;
        }
        param.ValueComponents(local, row.value);
        if (row.keyframes > 0) {
            // What plays: the evaluator itself, sampled across the scene.
            const int n = CurveSamples, c = row.components;
            row.samples = n;
            row.curve.resize(static_cast<size_t>(n * c));
            float value[4];
            for (int s = 0; s < n; ++s) {
                param.KeyframedComponents(length * static_cast<float>(s) / static_cast<float>(n - 1), value);
                for (int k = 0; k < c; ++k)
                    row.curve[static_cast<size_t>(k * n + s)] = value[k];
            }
            for (size_t key = 0; key < param.KeyframeCount(); ++key) {
                const float at = param.KeyframeTime(key);
                row.keyAt.push_back(at / length);
                param.KeyframedComponents(at, value);
                row.keyValue.insert(row.keyValue.end(), value, value + c);
            }
            float low = row.value[0], high = row.value[0];
            for (float v : row.curve)
                if (std::isfinite(v)) {
                    low = std::min(low, v);
                    high = std::max(high, v);
                }
            for (int k = 0; k < c; ++k)
                if (std::isfinite(row.value[k])) {
                    low = std::min(low, row.value[k]);
                    high = std::max(high, row.value[k]);
                }
            if (!(high - low > 1e-6f)) {
                low -= 0.5f;
                high += 0.5f;
            }
            row.low = low;
            row.high = high;
            row.playheadAt = local / length;
        }
        panel.parameters.push_back(std::move(row));
    }
    ActiveReactions.sceneStart = drawnSceneStart;
}
