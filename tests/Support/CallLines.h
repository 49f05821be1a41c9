// A view of the recording device's calls as one line of text each ("SetVertexFormat 274",
// "DrawPrimitive list 0 1", "SetTexture 0 texture", "SetValue g_ShaderValue 0.5"), for tests that
// compare whole sequences, and the buffers and textures the device made, in order.
#pragma once

#include "Testing/CRecordingDevice.h"

#include <cstdio>
#include <string>
#include <vector>

inline std::string CallLine(const RecordedCall& c) {
    auto number = [](float v) {
        char text[32];
        std::snprintf(text, sizeof text, "%g", v);
        return std::string(text);
    };
    const std::string& n = c.name;
    auto flag = [&] { return n + " " + (c.ints.empty() || !c.ints[0] ? "0" : "1"); };
    if (n == "SetAlphaBlending" || n == "SetLighting" || n == "SetDepthTest" || n == "SetDepthWrite")
        return flag();
    if (n == "SetCullMode" || n == "CreateVertexBuffer" || n == "CreateIndexBuffer" || n == "CreateRenderTarget" ||
        n == "SetVertexFormat" || n == "BeginPass")
        return n + " " + std::to_string(c.ints.at(0));
    if (n == "CreateTexture")
        return n + " " + std::to_string(c.ints.at(0)) + "x" + std::to_string(c.ints.at(1)) + " levels " +
               std::to_string(c.ints.at(2));
    if (n == "SetColourTarget")
        return n + (c.object ? " target" : " back");
    if (n == "CreateEffect" || n == "SetTechnique" || n == "SetMatrix")
        return n + " " + c.text;
    if (n == "SetStreamSource")
        return n + " " + std::to_string(c.ints.at(0)) + " " + std::to_string(c.ints.at(1));
    if (n == "SetTexture")
        return n + " " + std::to_string(c.ints.at(0)) + (c.object ? " texture" : " none");
    if (n == "DrawPrimitive")
        return n + (c.ints.at(0) == static_cast<int>(PrimitiveType::TriangleList) ? " list " : " fan ") +
               std::to_string(c.ints.at(1)) + " " + std::to_string(c.ints.at(2));
    if (n == "SetValue") {
        std::string line = n + " " + c.text;
        for (float f : c.floats)
            line += " " + number(f);
        return line;
    }
    return n;
}

// Every call but the sampler states, which drawing code sets once and tests do not follow.
inline std::vector<std::string> CallLines(const CRecordingDevice& device) {
    std::vector<std::string> lines;
    for (const RecordedCall& c : device.calls)
        if (c.name != "SetSamplerState")
            lines.push_back(CallLine(c));
    return lines;
}

inline std::vector<std::string> CallLinesStartingWith(const CRecordingDevice& device, const std::string& prefix) {
    std::vector<std::string> found;
    for (const std::string& line : CallLines(device))
        if (line.compare(0, prefix.size(), prefix) == 0)
            found.push_back(line);
    return found;
}

// The objects the device handed out, in the order it made them (valid while their owners live).
inline std::vector<CRecordingVertexBuffer*> MadeVertexBuffers(const CRecordingDevice& device) {
    std::vector<CRecordingVertexBuffer*> made;
    for (const RecordedCall& c : device.calls)
        if (c.name == "CreateVertexBuffer" && c.object)
            made.push_back(static_cast<CRecordingVertexBuffer*>(const_cast<void*>(c.object)));
    return made;
}

inline std::vector<CRecordingTexture*> MadeTextures(const CRecordingDevice& device) {
    std::vector<CRecordingTexture*> made;
    for (const RecordedCall& c : device.calls)
        if (c.name == "CreateTexture" && c.object)
            made.push_back(static_cast<CRecordingTexture*>(const_cast<void*>(c.object)));
    return made;
}
