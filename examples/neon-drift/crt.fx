@common
// Draws a render target back onto the screen like an old monitor: scan lines, a darkened rim and a
// colour split whose width is g_ShaderValue. The second texture stage, when bound, is laid over the
// picture as a faint reflection.
uniform mat4 g_mWorldViewProjection;
uniform vec4 g_MaterialDiffuseColor;
uniform sampler2D g_Texture;
uniform sampler2D g_Texture1;
uniform float g_ShaderValue;

@vertex CrtVS
layout(location = 0) in vec3 inPosition;
layout(location = 3) in vec2 inTexCoord;
out vec2 vTexCoord;
void main()
{
    gl_Position = g_mWorldViewProjection * vec4(inPosition, 1.0);
    vTexCoord = inTexCoord;
}

@fragment CrtPS
in vec2 vTexCoord;
out vec4 outColour;
void main()
{
    vec2 split = vec2(0.004 * g_ShaderValue, 0.0);
    vec3 colour;
    colour.r = texture(g_Texture, vTexCoord + split).r;
    colour.g = texture(g_Texture, vTexCoord).g;
    colour.b = texture(g_Texture, vTexCoord - split).b;
    float scan = 0.82 + 0.18 * sin(vTexCoord.y * 3.14159 * 600.0);
    vec2 centred = vTexCoord - 0.5;
    float rim = clamp(1.2 - dot(centred, centred) * 2.2, 0.0, 1.0);
    vec3 reflection = texture(g_Texture1, vTexCoord).rgb * 0.12;
    outColour = vec4(colour * scan * rim + reflection, 1.0) * g_MaterialDiffuseColor;
}

@sampler g_Texture filter=linear address=clamp
@sampler g_Texture1 filter=linear address=clamp

@technique Crt
@pass vertex=CrtVS fragment=CrtPS
