// Shared set-up for the 2D layer tests: a recording device with the render state on it, images
// written to a scratch data folder and declared as resources, and a view of each draw call with
// the world matrix and colour in force when it was made.
#pragma once

#include "Layers/CLayer.h"
#include "Render/CRenderState.h"
#include "Resources/CResourceManager.h"
#include "Support/EngineTest.h"

#include <gtest/gtest.h>

#include <glm/mat4x4.hpp>
#include <glm/vec2.hpp>
#include <glm/vec4.hpp>

#include <set>
#include <string>
#include <vector>

class CLayer;

struct DrawRecord {
    glm::mat4 world{1.0f};
    glm::vec4 colour{0.0f};
    int type = -1;
    int startVertex = -1;
    int primitives = 0;
};

// Every DrawPrimitive with the g_mWorld and g_MaterialDiffuseColor set last before it.
std::vector<DrawRecord> Draws(const CRecordingDevice& device);

// Where the world matrix takes a point of the unit image quad.
glm::vec2 Place(const glm::mat4& world, float x, float y);

// Writes a solid RGBA image of that size as a PNG into the scratch data folder (mounted for
// PhysicsFS) and returns its file name there.
std::string WriteTestImage(const std::string& name, int width, int height, uint32_t rgba = 0xFFFFFFFFu);
// The same with the left half in one colour and the right half in another.
std::string WriteSplitImage(const std::string& name, int width, int height, uint32_t left, uint32_t right);

// Sets a layer's parameter from script text such as `Position = 960 600`.
bool SetParam(CLayer& layer, const std::string& setting);

class LayerDrawingTest : public EngineTest {
protected:
    void SetUp() override;

    // Declares resources from the text of a resources block (without its braces), creates all of
    // them and starts a frame; the calls made so far are dropped.
    bool LoadResources(const std::string& declarations);
    // Calls that happened after LoadResources, in order, with these names only.
    std::vector<std::string> Sequence(const std::vector<std::string>& names) const;

    // Creates the layer on the test's render state and resources.
    bool Create(CLayer& layer) { return layer.Create(state, Resources()); }
    // Draws the layer, with the resources its parameters name now found again (tests change them
    // after creating the layer).
    void Render(CLayer& layer, float time, float delta = 0.0f);
};
