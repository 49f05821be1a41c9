#include "App/authoring/CFreeCamera.h"

#include <glm/ext/matrix_clip_space.hpp>
#include <glm/ext/matrix_transform.hpp>
#include <glm/geometric.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

constexpr float Pi = 3.1415927f;
// The closest the line of sight comes to the up direction: looking straight up or down has no
// defined left and right.
constexpr float MinAngleToUp = Pi / 180.0f;

bool IsFinite(const glm::vec3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

bool IsFinite(const glm::mat4& m) {
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r)
            if (!std::isfinite(m[c][r]))
                return false;
    return true;
}

// The orbit layer's turn about the world's y axis, as it applies it to the world.
glm::mat4 TurnY(float degrees) {
    return glm::rotate(glm::mat4(1.0f), degrees * Pi / 180.0f, glm::vec3(0.0f, 1.0f, 0.0f));
}

glm::vec3 Point(const glm::mat4& m, const glm::vec3& p) { return glm::vec3(m * glm::vec4(p, 1.0f)); }
glm::vec3 Direction(const glm::mat4& m, const glm::vec3& d) { return glm::vec3(m * glm::vec4(d, 0.0f)); }

// Any unit vector at right angles to `v` (unit length).
glm::vec3 Perpendicular(const glm::vec3& v) {
    const glm::vec3 other = std::fabs(v.x) < 0.9f ? glm::vec3(1.0f, 0.0f, 0.0f) : glm::vec3(0.0f, 0.0f, 1.0f);
    return glm::normalize(glm::cross(v, other));
}

// Three decimals; nothing prints as "-0.000" and a non-finite value as 0.
std::string Decimal(float value) {
    if (!std::isfinite(value) || std::fabs(value) < 0.0005f)
        value = 0.0f;
    char text[64];
    std::snprintf(text, sizeof text, "%.3f", static_cast<double>(value));
    return text;
}

// A layer name as the script reads it back: a bare word when it is one, else in double quotes.
std::string ScriptName(const std::string& name) {
    const bool word = !name.empty() && ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z')) &&
                      name.find_first_of(" \t\r\n;") == std::string::npos;
    return word ? name : "\"" + name + "\"";
}

} // namespace

void CFreeCamera::StartFromOrbit(const glm::vec3& from, const glm::vec3& to, const glm::vec3& upValue,
                                 float rotationDegrees) {
    const glm::mat4 back = TurnY(-rotationDegrees);
    const float length = glm::length(upValue);
    const glm::vec3 layerUp = length > 0.0f && std::isfinite(length) ? upValue / length : glm::vec3(0, 1, 0);
    Start(Point(back, from), Point(back, to), Direction(back, layerUp));
}

void CFreeCamera::Start(const glm::vec3& eyeValue, const glm::vec3& target, const glm::vec3& upValue) {
    if (IsFinite(eyeValue))
        eye = eyeValue;
    const float upLength = glm::length(upValue);
    up = upLength > 0.0f && std::isfinite(upLength) ? upValue / upLength : glm::vec3(0.0f, 1.0f, 0.0f);
    const glm::vec3 sight = target - eye;
    const float length = glm::length(sight);
    if (length > 1e-6f && std::isfinite(length)) {
        forward = sight / length;
        distance = length;
    }
    // Crossing the scene in a few seconds, whatever its scale.
    speed = std::max(1.0f, distance * 0.5f);
}

void CFreeCamera::Update(const Input& input, float seconds) {
    if (input.lookX != 0.0f && std::isfinite(input.lookX)) {
        const glm::mat4 yaw = glm::rotate(glm::mat4(1.0f), input.lookX * RadiansPerPixel, up);
        forward = glm::normalize(Direction(yaw, forward));
    }
    if (input.lookY != 0.0f && std::isfinite(input.lookY)) {
        const float along = std::clamp(glm::dot(forward, up), -1.0f, 1.0f);
        const float angle =
            std::clamp(std::acos(along) + input.lookY * RadiansPerPixel, MinAngleToUp, Pi - MinAngleToUp);
        glm::vec3 level = forward - up * along;
        level = glm::length(level) > 1e-6f ? glm::normalize(level) : Perpendicular(up);
        forward = glm::normalize(up * std::cos(angle) + level * std::sin(angle));
    }

    if (!(seconds > 0.0f) || !std::isfinite(seconds))
        return;
    glm::vec3 right = glm::cross(up, forward);
    right = glm::length(right) > 1e-6f ? glm::normalize(right) : Perpendicular(forward);
    glm::vec3 move(0.0f);
    move += forward * (static_cast<float>(input.forward) - static_cast<float>(input.back));
    move += right * (static_cast<float>(input.right) - static_cast<float>(input.left));
    move += up * (static_cast<float>(input.up) - static_cast<float>(input.down));
    const float length = glm::length(move);
    if (length > 0.0f)
        eye += move / length * speed * (input.fast ? FastFactor : 1.0f) * seconds;
}

void CFreeCamera::ChangeSpeed(float wheelNotches) {
    if (!std::isfinite(wheelNotches))
        return;
    speed = std::clamp(speed * std::pow(1.2f, wheelNotches), 0.01f, 1e6f);
}

glm::mat4 CFreeCamera::View() const {
    const glm::mat4 view = glm::lookAtLH(eye, Target(), up);
    if (IsFinite(view))
        lastView = view;
    return lastView;
}

glm::mat4 CFreeCamera::Projection(float fovDegrees, float aspect, float farPlane) const {
    const glm::mat4 projection = glm::perspectiveLH_ZO(fovDegrees * Pi / 180.0f, aspect, NearPlane, farPlane);
    if (IsFinite(projection))
        lastProjection = projection;
    return lastProjection;
}

void CFreeCamera::ToOrbit(float rotationDegrees, glm::vec3& from, glm::vec3& to) const {
    const glm::mat4 turn = TurnY(rotationDegrees);
    from = Point(turn, eye);
    to = Point(turn, Target());
}

std::string CFreeCamera::OrbitKeyframeLine(const std::string& layer, const BarBeatTick& at, const glm::vec3& from,
                                           const glm::vec3& to) {
    const std::string name = ScriptName(layer);
    return CMusicalTime::Format(at) + " { " + name + " From linear " + Decimal(from.x) + " " + Decimal(from.y) + " " +
           Decimal(from.z) + " " + name + " To linear " + Decimal(to.x) + " " + Decimal(to.y) + " " + Decimal(to.z) +
           " }";
}

std::string CFreeCamera::OrbitKeyframeLine(const std::string& layer, float rotationDegrees, double sceneSeconds,
                                           const CMusicalTime& tempo) const {
    glm::vec3 from, to;
    ToOrbit(rotationDegrees, from, to);
    return OrbitKeyframeLine(layer, tempo.NearestTick(std::max(0.0, sceneSeconds)), from, to);
}
