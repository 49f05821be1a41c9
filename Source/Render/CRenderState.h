// The render state every drawing layer of a presentation goes through: the device it draws on, a
// matrix triple for 2D and one for 3D, the device states of each mode, the effect that receives
// matrices and the material colour, the open effect pass, whether a render target is bound, and the
// aspect correction that fits the fixed 1920 x 1200 canvas onto the screen.
//
// Matrices are glm::mat4 built with the left-handed, zero-to-one depth functions. Their memory holds
// the same 16 floats as the row-vector matrices of the classic helpers, so "A then B" (A x B with row
// vectors) is written B * A here.
#pragma once

#include <cstdint>
#include <memory>

#include <glm/mat4x4.hpp>
#include <glm/vec3.hpp>
#include <glm/vec4.hpp>

class CEffect;
class CGraphicsDevice;
class CIndexBuffer;
class CVertexBuffer;

enum class RenderMode { None = 0, Mode2D = 1, Mode3D = 2 };

constexpr float CanvasWidth = 1920.0f;
constexpr float CanvasHeight = 1200.0f;

// The screen the canvas is shown on, as the viewer chose it before the start: the display mode, the
// aspect the canvas is letterboxed into, and the edge of a full-size render target.
struct ScreenSetup {
    float width = 1024.0f;
    float height = 768.0f;
    float aspect = 4.0f / 3.0f;
    int renderTargetSize = 1024;
};

struct ModeMatrixTriple {
    glm::mat4 projection{0.0f};
    glm::mat4 view{0.0f};
    glm::mat4 world{0.0f};
};

// What an orbit camera layer looked with when it ran (the authoring free camera starts from it and
// writes keyframes for it): the layer, its values and its scene-local time.
struct CameraShot {
    const void* layer = nullptr; // null: no orbit camera ran this frame
    glm::vec3 from{0.0f};
    glm::vec3 to{0.0f, 0.0f, 100.0f};
    glm::vec3 up{0.0f, 1.0f, 0.0f};
    float rotation = 0.0f; // degrees
    float fov = 45.0f;     // degrees
    float maxZ = 50000.0f;
    float localTime = 0.0f;
};

class CRenderState {
public:
    // Sets the states that hold for the whole run on the device.
    explicit CRenderState(CGraphicsDevice& device, const ScreenSetup& screen = ScreenSetup());
    CRenderState(const CRenderState&) = delete;
    CRenderState& operator=(const CRenderState&) = delete;

    void SetMode(RenderMode mode);
    void BeginFrame();
    void CommitMatrices();

    CGraphicsDevice& device;
    // What the letterbox and the cameras' aspect follow: the screen the state was made for.
    ScreenSetup screen;
    RenderMode mode = RenderMode::None;
    const glm::vec4* currentColour = nullptr; // r, g, b, a; set by layers, cleared before each layer
    CEffect* currentEffect = nullptr;
    ModeMatrixTriple ModeMatrices[3];
    // The effect pass that is open, or -1.
    int currentPass = -1;
    // True while a render target is bound as the colour target.
    bool renderTargetBound = false;

    // A camera standing in for the 3D camera layers' (the authoring free camera): while set, the 3D
    // view and projection of every frame and of every camera layer are these.
    bool cameraOverride = false;
    glm::mat4 overrideView{1.0f};
    glm::mat4 overrideProjection{1.0f};
    // The last orbit camera of this frame (reset by BeginFrame).
    CameraShot lastShot;

    // The tube's buffers, which every wire layer drawing through this state rebuilds and draws in
    // turn: made by the first wire created, so that a thousand wires cost what one does.
    std::shared_ptr<CVertexBuffer> wireVertices;
    std::shared_ptr<CIndexBuffer> wireIndices;

    ModeMatrixTriple& Matrices(RenderMode m) { return ModeMatrices[static_cast<int>(m)]; }
};

// Four colour components packed as ARGB bytes: each component times 255, truncated toward zero,
// low 8 bits kept (so values above 1 wrap).
uint32_t PackColour(float r, float g, float b, float a);
inline uint32_t PackColour(const glm::vec4& c) { return PackColour(c.r, c.g, c.b, c.a); }
// Each byte divided by 255, in the order r, g, b, a.
glm::vec4 UnpackColour(uint32_t argb);
