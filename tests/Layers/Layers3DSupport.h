// What the 3D layer tests share: a recording device with a fresh render state, a data folder mounted
// for models and effects, resources declared from script text, parameters set and keyframed from
// script text, and one layer run the way the layer manager runs it.
#pragma once

#include "Base/CTokeniser.h"
#include "Layers/CLayer.h"
#include "Render/CRenderState.h"
#include "Resources/CResourceManager.h"
#include "Support/EngineTest.h"

#include <glm/mat4x4.hpp>
#include <gtest/gtest.h>

#include <set>
#include <string>

// One untextured material (diffuse 0.8, 0.2, 0.2) and one triangle at depth 10 facing -z that covers
// the middle of the default camera's view. Its corners run clockwise on screen seen from the origin
// looking along +z, so it is drawn; reversed, they run counter-clockwise and it is culled.
inline std::string TriangleModel(bool reversed = false) {
    const std::string material = "1\nStandardMaterial\n0.1 0.1 0.1\n0.8 0.2 0.2\n0.9 0.9 0.9\n10\nnomap\n0\n0\n";
    const std::string corners = "3\n-10 -10 10 0 0 -1\n30 -10 10 0 0 -1\n-10 30 10 0 0 -1\n1\n0 0\n";
    const std::string face = reversed ? "0 1 2 0 0 0\n" : "0 2 1 0 0 0\n";
    return material + "1\n0\n" + corners + "1\n" + face + "0\n1 1 1 1\n0\n";
}

// Sets a parameter from its script text ("1 2 3" for a vector3).
inline void SetParam(CLayer &layer, const std::string &name, const std::string &value) {
    const std::string text = "= " + value + "\n";
    CMemoryTokeniser tokeniser(text.data(), text.size());
    ASSERT_TRUE(layer.params.SetValueFromTokeniser(tokeniser, name)) << name << " = " << value;
}

// Adds a keyframe line ("Distance linear 500") at `time` seconds.
inline void AddKey(CLayer &layer, float time, const std::string &line) {
    const std::string text = line + "\n";
    CMemoryTokeniser tokeniser(text.data(), text.size());
    ASSERT_TRUE(layer.params.AddKeyframeFromTokeniser(time, tokeniser)) << line;
}

inline bool AllFinite(const glm::mat4 &m) {
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r)
            if (!std::isfinite(m[c][r]))
                return false;
    return true;
}

// The 16 floats of a matrix in memory order, which is the row-major order of a row-vector matrix.
inline void ExpectMatrixNear(const glm::mat4 &actual, const float (&rowMajor)[16], float tolerance = 1e-5f) {
    const float *a = &actual[0][0];
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(a[i], rowMajor[i], tolerance) << "element " << i / 4 << "," << i % 4;
}

// Applies a matrix to a point as the effects do (M * v with the matrix as uploaded).
inline glm::vec3 Transform(const glm::mat4 &m, const glm::vec3 &p) {
    const glm::vec4 v = m * glm::vec4(p, 1.0f);
    return glm::vec3(v) / v.w;
}

class Layers3DTest : public EngineTest {
protected:
    using EngineTest::Resources;

    // Declares the resources of a `resources` block body and creates them all (the built-in
    // shaders included) on the recording device, then forgets the calls creation made.
    void Resources(const std::string &body) {
        const std::string text = "{ " + body + " }\n";
        CMemoryTokeniser tokeniser(text.data(), text.size());
        ASSERT_TRUE(Resources().LoadFromTokeniser(tokeniser)) << body;
        ASSERT_TRUE(Resources().CreateAllResources(device));
        device.ClearCalls();
    }

    // The model named Tri (and the built-in shaders).
    void TriangleResources() {
        data.Write("tri.txt", TriangleModel());
        Resources("Model Tri \"tri.txt\"");
    }

    // The render-state reset the layer manager does before every layer, then the layer itself; the
    // device keeps only the calls the layer made.
    void RunLayer(CLayer &layer, float time) {
        if (!layer.IsCreated()) {
            EXPECT_TRUE(Create(layer));
        }
        // Tests set names after creating the layer.
        layer.ResolveResourceNames(Resources());
        state.SetMode(RenderMode::Mode3D);
        state.Matrices(RenderMode::Mode3D).world = glm::mat4(1.0f);
        state.mode = RenderMode::None;
        state.currentColour = nullptr;
        device.ClearCalls();
        layer.Render(time, 0.0f);
    }

    int Count(const std::string &name) const { return device.CountCalls(name); }

    // Creates the layer on the test's render state and resources.
    bool Create(CLayer &layer) { return layer.Create(state, Resources()); }
};
