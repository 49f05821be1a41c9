// The overlay's inspector: one layer of the running presentation opened to show its parameters (the
// value now, the keyframe kind in force, the keyframes and a curve of each numeric value across its
// scene), with values tweaked while the show plays and written into the script at the playhead.
//
// A tweak stands in for the parameter's script value from the next frame on (CParam::SetOverride) and
// is put back on every frame, so a reload of another file keeps it; it lasts until it is written or
// discarded. Written edits stay on screen until the reload their write causes brings the new values.
#pragma once

#include "Base/CMusicalTime.h"

#include <array>
#include <map>
#include <string>

class CParam;
class CSystem;
struct OverlayFrame;
struct OverlayInspector;
struct Scene;

class CInspector {
public:
    // Curve samples across the scene.
    static constexpr int CurveSamples = 160;

    // Opens the layer of the scene at `sceneIndex` in the script (discarding the edits of another).
    void Open(CSystem& system, int sceneIndex, const std::string& layer);
    void Close(CSystem* system);
    bool IsOpen() const { return sceneIndex >= 0; }
    int SceneIndex() const { return sceneIndex; }
    const std::string& Layer() const { return layer; }

    // The arrow keys' place in the scenes list, over the layers of the scenes running at `time`:
    // `step` rows down (negative: up), staying at the ends. Enter opens it.
    void MoveHighlight(const CSystem& system, float time, int step);
    bool OpenHighlighted(CSystem& system);
    bool IsHighlighted(int scene, const std::string& layerName) const;

    // A new value for a parameter of the open layer, `Components()` numbers; false (nothing kept) for a
    // parameter the layer lacks or one that holds a word.
    bool Tweak(CSystem& system, const std::string& parameter, const float* values);
    bool HasEdits() const { return !edits.empty(); }
    // Every tweak goes, and the script's values play again.
    void Discard(CSystem* system);
    // Puts the tweaks on the parameters; call every frame before drawing (a reload made new ones).
    void Apply(CSystem& system);
    // A reload happened: edits already written are done with (the script holds them now), and an
    // open layer the new presentation lacks is closed.
    void PresentationChanged(CSystem& system);

    // The script's text with the edits written at `time` (seconds on the music's time line) as one
    // change: a keyframe at the tick nearest the playhead for parameters that have keyframes (and, with
    // `keyframes`, for those that have none), the base value for the others. False with the reason when
    // an edit cannot be written; `result` is then untouched.
    bool WriteEdits(const CSystem& system, const std::string& script, float time, bool keyframes, std::string& result,
                    std::string& error) const;
    // After a write: the edits stay on screen until the reload replaces the presentation.
    void MarkWritten() { written = true; }

    // The inspector panel's content for the frame at `time`.
    void Fill(const CSystem& system, float time, OverlayInspector& panel) const;

private:
    const Scene* OpenScene(const CSystem& system) const;
    CParam* FindParam(const CSystem& system, const std::string& parameter) const;

    int sceneIndex = -1;
    std::string layer;
    int highlightScene = -1;
    std::string highlightLayer;
    // Parameter name (as the layer registered it) to its tweaked numbers.
    std::map<std::string, std::array<float, 4>> edits;
    bool written = false;
};
