// A compiled effect: techniques of one or more passes, parameters addressed by name. Setting a
// parameter the effect does not declare does nothing.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

class CEffect {
public:
    // Passes one technique may have: each is a program of its own, and real effects use a handful.
    static constexpr int MaxPasses = 64;

    virtual ~CEffect() = default;

    // Another effect of the same compiled programs with values of its own, each at the value the
    // effect's text gives it (or zero), as if compiled afresh; nothing is compiled again.
    virtual std::unique_ptr<CEffect> Instance() const = 0;

    // Selects the technique by name; false (and nothing selected) when the effect has no such one.
    virtual bool SetTechnique(const std::string& name) = 0;
    // Begins the selected technique; returns its number of passes (0 when none is selected).
    virtual int Begin() = 0;
    virtual void BeginPass(int pass) = 0;
    virtual void EndPass() = 0;
    // Ends the technique, closing a pass that is still open.
    virtual void End() = 0;

    // A 4x4 matrix, 16 floats in the memory order of glm::mat4.
    virtual void SetMatrix(const char* name, const float* matrix) = 0;
    // `bytes` bytes of floats (4 for a float, 16 for a vec4).
    virtual void SetValue(const char* name, const void* data, size_t bytes) = 0;
    // Makes the values set since the pass began take effect for the next draw.
    virtual void CommitChanges() = 0;
};
