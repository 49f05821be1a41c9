// The memory one presentation may take: every resource and layer states what it is about to allocate
// (textures, render targets, buffers, compiled programs, decoded music, model data) before it does, and
// the first request that would take the total past the limit is refused, with the one message that
// names it. Each presentation owns its own, so live reload's second presentation counts afresh.
#pragma once

#include <cstdint>
#include <string>

class CMemoryBudget {
public:
    static constexpr int DefaultLimitMiB = 2048;

    // What each kind of memory costs, in bytes (docs/bad-input.md lists the same).
    // A compiled program (one per effect pass): what the graphics driver keeps, estimated from Mesa's.
    static constexpr int64_t ProgramBytes = int64_t(512) << 10;
    // What the graphics driver holds while it compiles an effect of `sourceBytes`: a multiple of the
    // text, for its copies of it (measured with Mesa). Charged for the compile's length only.
    static int64_t CompileBytes(int64_t sourceBytes) { return CompileBytesPerSourceByte * sourceBytes; }
    static constexpr int64_t CompileBytesPerSourceByte = 8;
    // A layer with its table of parameters, before keyframes: a rounded-up measurement.
    static constexpr int64_t LayerBytes = int64_t(4) << 10;
    // A scene with its name, before its layers: about 200 bytes measured, rounded up for its list's growth.
    static constexpr int64_t SceneBytes = 512;
    // One keyframe of a layer's parameter: about 30 bytes measured, rounded up for its list's growth.
    static constexpr int64_t KeyframeBytes = 64;
    // An RGBA8 texture of `levels` levels (1 or 2), each level a quarter of the one before.
    static int64_t TextureBytes(int width, int height, int levels);
    // A square RGBA8 render target (the depth buffer is the device's, shared by all of them).
    static int64_t RenderTargetBytes(int edge) { return int64_t(edge) * edge * 4; }
    // A vertex or index buffer: the copy the device keeps for writing into, and the device's own.
    static int64_t BufferBytes(int64_t bytes) { return 2 * bytes; }

    explicit CMemoryBudget(int limitMiB = DefaultLimitMiB);

    // Adds `bytes` for the `kind` ("texture", "layer", ...) named `name`. False when the total would
    // pass the limit: nothing is added, the message is logged, and every later charge is refused too,
    // so that start-up stops at the first resource that does not fit.
    bool Charge(int64_t bytes, const char* kind, const std::string& name);
    // Gives back what a charge took for memory that was not kept after all.
    void Refund(int64_t bytes);

    int64_t Used() const { return used; }
    int64_t Limit() const { return limit; }
    bool Exceeded() const { return !failure.empty(); }
    // "The presentation needs more memory than the limit of N MiB (at kind 'name')", or empty.
    const std::string& Failure() const { return failure; }

private:
    int limitMiB;
    int64_t limit;
    int64_t used = 0;
    std::string failure;
};
