@common
// Lights a model with the ambient colour set by a 3DGlobalAmbient layer and the point light set by
// a 3DSimpleLightRig layer. Declare it in a resources block, for example
//     Shader Lit "effects-lit-example.fx" LitNonTextured {}
// and name it as the Shader of a 3DModel or Tunnel layer drawn after those two layers.
uniform mat4 g_mWorldViewProjection;
uniform mat4 g_mWorld;
uniform vec4 g_MaterialDiffuseColor;
uniform vec4 g_MaterialAmbientColor;
uniform sampler2D g_Texture;

uniform vec4 g_Ambient;          // the frame's ambient colour, black until a 3DGlobalAmbient layer runs
uniform float g_LightingEnabled; // 1 while the 3D mode is in force
uniform float g_Light0Enabled;   // 1 once a 3DSimpleLightRig layer has run
uniform vec3 g_Light0Position;
uniform vec4 g_Light0Diffuse;
uniform vec4 g_Light0Specular;
uniform vec4 g_Light0Ambient;
uniform float g_Light0Range;

// The colour a lit surface point takes: the material's ambient colour under the frame's ambient
// colour and the light's ambient colour, plus its diffuse colour under the light, facing it.
vec4 Lit(vec3 position, vec3 normal) {
    if (g_LightingEnabled < 0.5)
        return g_MaterialDiffuseColor;
    vec3 colour = g_MaterialAmbientColor.rgb * g_Ambient.rgb;
    if (g_Light0Enabled > 0.5) {
        vec3 toLight = g_Light0Position - position;
        float distance = length(toLight);
        // A point light reaches as far as its range and no further.
        if (distance <= g_Light0Range) {
            float lambert = distance > 0.0 ? max(dot(normalize(normal), toLight / distance), 0.0) : 1.0;
            colour += g_MaterialAmbientColor.rgb * g_Light0Ambient.rgb;
            colour += g_MaterialDiffuseColor.rgb * g_Light0Diffuse.rgb * lambert;
        }
    }
    return vec4(min(colour, vec3(1.0)), g_MaterialDiffuseColor.a);
}

@vertex LitVS
layout(location = 0) in vec3 inPosition;
layout(location = 1) in vec3 inNormal;
layout(location = 3) in vec2 inTexCoord;
out vec3 worldPosition;
out vec3 worldNormal;
out vec2 texCoord;
void main() {
    gl_Position = g_mWorldViewProjection * vec4(inPosition, 1.0);
    worldPosition = (g_mWorld * vec4(inPosition, 1.0)).xyz;
    worldNormal = mat3(g_mWorld) * inNormal;
    texCoord = inTexCoord;
}

@fragment LitPS
in vec3 worldPosition;
in vec3 worldNormal;
in vec2 texCoord;
out vec4 outColour;
void main() { outColour = Lit(worldPosition, worldNormal); }

@fragment LitTexturedPS
in vec3 worldPosition;
in vec3 worldNormal;
in vec2 texCoord;
out vec4 outColour;
void main() { outColour = texture(g_Texture, texCoord) * Lit(worldPosition, worldNormal); }

@technique LitNonTextured
@pass vertex=LitVS fragment=LitPS

@technique LitTextured
@pass vertex=LitVS fragment=LitTexturedPS
