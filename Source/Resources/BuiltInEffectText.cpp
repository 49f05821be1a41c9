#include "Resources/CResourceShader.h"

// The effect behind the two shaders every presentation has. The material colour is the vertex
// colour; the textured technique multiplies it by the texture on stage 0, sampled linearly over both
// mip levels. Normals are accepted but unused: these techniques do no lighting.
const char* const BuiltInEffectText = R"(@common
uniform mat4 g_mWorldViewProjection;
uniform vec4 g_MaterialDiffuseColor;
uniform sampler2D g_Texture;

@vertex RenderSceneVS
layout(location = 0) in vec3 inPosition;
layout(location = 1) in vec3 inNormal;
layout(location = 3) in vec2 inTexCoord;
out vec4 vColour;
out vec2 vTexCoord;
void main() {
    gl_Position = g_mWorldViewProjection * vec4(inPosition, 1.0);
    vColour = g_MaterialDiffuseColor;
    vTexCoord = inTexCoord;
}

@fragment TexturedPS
in vec4 vColour;
in vec2 vTexCoord;
out vec4 outColour;
void main() {
    outColour = texture(g_Texture, vTexCoord) * vColour;
}

@fragment NonTexturedPS
in vec4 vColour;
in vec2 vTexCoord;
out vec4 outColour;
void main() {
    outColour = vColour;
}

@sampler g_Texture filter=linear address=clamp

@technique DefaultTextured
@pass vertex=RenderSceneVS fragment=TexturedPS

@technique DefaultNonTextured
@pass vertex=RenderSceneVS fragment=NonTexturedPS
)";
