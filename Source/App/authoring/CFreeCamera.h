// A fly camera for placing a shot by eye: it starts where the running orbit camera layer looks from,
// moves with W A S D (forward, left, back, right), Q and E (down, up) and looks about with the mouse,
// and turns what it sees back into that layer's From and To, as a keyframe line to paste into the
// script. Left-handed, with the orbit layer's matrices (glm's *LH_ZO functions).
#pragma once

#include "Base/CMusicalTime.h"

#include <glm/mat4x4.hpp>
#include <glm/vec3.hpp>

#include <string>

class CFreeCamera {
public:
    // What moves the camera this frame.
    struct Input {
        bool forward = false, left = false, back = false, right = false;
        bool down = false, up = false;
        bool fast = false;  // Shift
        float lookX = 0.0f; // mouse motion in pixels while the right button is held; right is
        float lookY = 0.0f; // positive x, down is positive y
    };

    static constexpr float NearPlane = 0.1f; // the orbit layer's
    static constexpr float FastFactor = 5.0f;
    static constexpr float RadiansPerPixel = 0.0025f;

    // Where the orbit camera layer looks from with these values of From, To, Up and Rotation (degrees
    // about y): the layer turns the world by Rotation before it looks, which is the same view as
    // looking from From, To and Up turned back by it. A zero-length Up counts as the world's y axis.
    void StartFromOrbit(const glm::vec3& from, const glm::vec3& to, const glm::vec3& up, float rotationDegrees);
    // A plain start: an eye looking at a target with an up direction.
    void Start(const glm::vec3& eye, const glm::vec3& target, const glm::vec3& up);

    // Moves and turns for a frame of `seconds`. Speed is in units per second.
    void Update(const Input& input, float seconds);
    // The mouse wheel: each notch up moves a fifth faster, each notch down a fifth slower.
    void ChangeSpeed(float wheelNotches);

    glm::vec3 Eye() const { return eye; }
    glm::vec3 Target() const { return eye + forward * distance; }
    glm::vec3 Up() const { return up; }
    float Speed() const { return speed; }

    // The view as the orbit layer builds it from the same eye, target and up.
    glm::mat4 View() const;
    // The orbit layer's projection: vertical field of view in degrees, the screen's aspect, its near
    // plane and MaxZ as the far plane. The last finite matrix stands in for a degenerate one.
    glm::mat4 Projection(float fovDegrees, float aspect, float farPlane) const;

    // The orbit layer's From and To that give this view under its Rotation (degrees) and its Up.
    void ToOrbit(float rotationDegrees, glm::vec3& from, glm::vec3& to) const;

    // A keyframe group that sets the orbit layer `layer` to From and To at `at` (scene-local):
    // `<bar:beat:tick> { <layer> From linear x y z <layer> To linear x y z }`, three decimals.
    static std::string OrbitKeyframeLine(const std::string& layer, const BarBeatTick& at, const glm::vec3& from,
                                         const glm::vec3& to);
    // The same line for this camera, at `sceneSeconds` since the scene started (to the nearest tick).
    std::string OrbitKeyframeLine(const std::string& layer, float rotationDegrees, double sceneSeconds,
                                  const CMusicalTime& tempo) const;

private:
    glm::vec3 eye{0.0f, 0.0f, 0.0f};
    glm::vec3 forward{0.0f, 0.0f, 1.0f}; // unit length
    glm::vec3 up{0.0f, 1.0f, 0.0f};      // unit length
    float distance = 100.0f;             // from the eye to the target, kept for To
    float speed = 50.0f;
    mutable glm::mat4 lastView{1.0f};
    mutable glm::mat4 lastProjection{1.0f};
};
