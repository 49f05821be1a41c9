@common
// Per-pixel lighting from the 3D ambient and light layers: the global ambient colour, plus light 0,
// a point light whose diffuse and specular fall off to nothing at its range. Two techniques: with
// the model's texture and without.
uniform mat4 g_mWorldViewProjection;
uniform mat4 g_mWorld;
uniform vec4 g_MaterialDiffuseColor;
uniform sampler2D g_Texture;
uniform vec4 g_Ambient;
uniform float g_LightingEnabled;
uniform float g_Light0Enabled;
uniform vec3 g_Light0Position;
uniform vec4 g_Light0Diffuse;
uniform vec4 g_Light0Specular;
uniform vec4 g_Light0Ambient;
uniform float g_Light0Range;

vec3 Shade(vec3 worldPosition, vec3 normal, vec3 albedo)
{
    if (g_LightingEnabled < 0.5)
        return albedo;
    vec3 light = g_Ambient.rgb;
    vec3 shine = vec3(0.0);
    if (g_Light0Enabled > 0.5) {
        vec3 toLight = g_Light0Position - worldPosition;
        float distance = length(toLight);
        vec3 l = toLight / max(distance, 0.0001);
        float reach = clamp(1.0 - distance / max(g_Light0Range, 0.0001), 0.0, 1.0);
        float diffuse = max(dot(normal, l), 0.0);
        // Effects are not told where the eye is; the cameras here look along +z, so use that.
        vec3 halfway = normalize(l + vec3(0.0, 0.0, -1.0));
        float specular = pow(max(dot(normal, halfway), 0.0), 40.0) * step(0.0, diffuse);
        light += (g_Light0Diffuse.rgb * diffuse + g_Light0Ambient.rgb * 0.15) * reach;
        shine = g_Light0Specular.rgb * specular * reach;
    }
    // A rim where the surface turns away from the viewer keeps dark sides from sinking into the
    // background.
    float rim = pow(1.0 - clamp(-normal.z, 0.0, 1.0), 3.0) * 0.45;
    return albedo * (light + rim) + shine;
}

@vertex LitVS
layout(location = 0) in vec3 inPosition;
layout(location = 1) in vec3 inNormal;
layout(location = 3) in vec2 inTexCoord;
out vec3 vWorldPosition;
out vec3 vNormal;
out vec2 vTexCoord;
void main()
{
    gl_Position = g_mWorldViewProjection * vec4(inPosition, 1.0);
    vWorldPosition = (g_mWorld * vec4(inPosition, 1.0)).xyz;
    vNormal = mat3(g_mWorld) * inNormal;
    vTexCoord = inTexCoord;
}

@fragment LitTexturedPS
in vec3 vWorldPosition;
in vec3 vNormal;
in vec2 vTexCoord;
out vec4 outColour;
void main()
{
    vec4 albedo = texture(g_Texture, vTexCoord) * g_MaterialDiffuseColor;
    outColour = vec4(Shade(vWorldPosition, normalize(vNormal), albedo.rgb), albedo.a);
}

@fragment LitPS
in vec3 vWorldPosition;
in vec3 vNormal;
out vec4 outColour;
void main()
{
    outColour = vec4(Shade(vWorldPosition, normalize(vNormal), g_MaterialDiffuseColor.rgb), g_MaterialDiffuseColor.a);
}

@sampler g_Texture filter=linear address=wrap

@technique LitTextured
@pass vertex=LitVS fragment=LitTexturedPS

@technique Lit
@pass vertex=LitVS fragment=LitPS
