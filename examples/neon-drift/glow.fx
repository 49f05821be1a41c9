@common
// The logo's effect. g_ShaderValue (the image layer's ShaderValue) pulls the colour channels apart,
// ripples the picture and lifts its brightness, so a keyframed value can make the logo kick with
// the music.
uniform mat4 g_mWorldViewProjection;
uniform vec4 g_MaterialDiffuseColor;
uniform sampler2D g_Texture;
uniform float g_ShaderValue;

@vertex GlowVS
layout(location = 0) in vec3 inPosition;
layout(location = 3) in vec2 inTexCoord;
out vec2 vTexCoord;
void main()
{
    gl_Position = g_mWorldViewProjection * vec4(inPosition, 1.0);
    vTexCoord = inTexCoord;
}

@fragment GlowPS
in vec2 vTexCoord;
out vec4 outColour;
void main()
{
    float s = clamp(g_ShaderValue, 0.0, 2.0);
    vec2 ripple = vec2(sin(vTexCoord.y * 38.0 + s * 5.0) * 0.004 * s, 0.0);
    vec2 split = vec2(0.007 * s, 0.0);
    vec4 centre = texture(g_Texture, vTexCoord + ripple);
    vec4 left = texture(g_Texture, vTexCoord + ripple + split);
    vec4 right = texture(g_Texture, vTexCoord + ripple - split);
    vec4 colour = vec4(left.r, centre.g, right.b, max(centre.a, max(left.a, right.a)));
    colour.rgb *= 1.0 + 0.7 * s;
    outColour = colour * g_MaterialDiffuseColor;
}

@sampler g_Texture filter=linear address=clamp

@technique Glow
@pass vertex=GlowVS fragment=GlowPS
