// Owns every named resource of the presentation (effects, textures, render targets, models): reads
// the script's `resources` blocks, creates everything in one pass once the device exists, and finds
// resources by name (case-insensitive, first declared wins) for the layers.
#pragma once

#include <memory>
#include <string>
#include <vector>

class CTokeniser;
class CResourceShader;
class CResourceTexture;
class CResourceTextureImage;
class CResourceTextureRenderTarget;
class CResourceModel;

template <class T> struct ResourceEntry {
    std::string name;
    std::unique_ptr<T> resource;
};

class CResourceManager {
public:
    static bool LoadFromTokeniser(CTokeniser& tokeniser);
    static bool LoadShaderFromTokeniser(CTokeniser& tokeniser);
    static bool LoadTextureFromTokeniser(CTokeniser& tokeniser);
    static bool LoadRenderTargetFromTokeniser(CTokeniser& tokeniser);
    static bool LoadModelFromTokeniser(CTokeniser& tokeniser);
    static CResourceTexture* LoadAndCreateTextureImage(const std::string& name, const std::string& fileName);
    static bool CreateAllResources();

    // Empties every registry (for tests that load several scripts in one process).
    static void Clear();
    // Number of shader, texture and model entries together.
    static int CountResources();
};

CResourceShader* FindShader(const std::string& name);
CResourceTexture* FindTexture(const std::string& name);
CResourceTextureRenderTarget* FindRenderTarget(const std::string& name);
CResourceModel* FindModel(const std::string& name);
