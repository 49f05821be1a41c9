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
    float scan = 0.85 + 0.15 * sin(vTexCoord.y * 3.14159 * 600.0);
    // The rim darkens only near the edges and corners, like the curved glass of a tube.
    vec2 edge = vTexCoord * (1.0 - vTexCoord);
    float rim = clamp(pow(edge.x * edge.y * 16.0, 0.25) * 1.15, 0.0, 1.0);
    // The reflection: the second texture as a small glint of a lamp in the upper left corner.
    vec2 glint = (vTexCoord - vec2(0.22, 0.2)) * vec2(3.0, 4.8) + 0.5;
    vec4 lamp = texture(g_Texture1, glint);
    vec2 inside = step(vec2(0.0), glint) * step(glint, vec2(1.0));
    vec3 reflection = lamp.rgb * lamp.a * inside.x * inside.y * 0.14;
    outColour = vec4(colour * 1.1 * scan * rim + reflection, 1.0) * g_MaterialDiffuseColor;
}

@sampler g_Texture filter=linear address=clamp
@sampler g_Texture1 filter=linear address=clamp

@technique Crt
@pass vertex=CrtVS fragment=CrtPS
