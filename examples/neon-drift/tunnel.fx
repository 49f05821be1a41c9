@common
// The tunnel's effect: the model's texture and colour scaled by g_Brightness (the tunnel layer's
// Brightness, a grey level between 0 and 1) and fading into black with distance, which hides the far
// end where the copies wrap around. The grid texture is dark with thin neon lines, so the effect
// lifts it: at full brightness the lines glow white-hot.
uniform mat4 g_mWorldViewProjection;
uniform vec4 g_MaterialDiffuseColor;
uniform vec4 g_Brightness;
uniform sampler2D g_Texture;

@vertex TunnelVS
layout(location = 0) in vec3 inPosition;
layout(location = 3) in vec2 inTexCoord;
out vec2 vTexCoord;
out float vDepth;
void main()
{
    gl_Position = g_mWorldViewProjection * vec4(inPosition, 1.0);
    vTexCoord = inTexCoord;
    vDepth = gl_Position.w;
}

@fragment TunnelPS
in vec2 vTexCoord;
in float vDepth;
out vec4 outColour;
void main()
{
    vec4 texel = texture(g_Texture, vTexCoord) * g_MaterialDiffuseColor;
    float fog = exp(-max(vDepth, 0.0) / 700.0);
    vec3 lit = texel.rgb * g_Brightness.rgb * 2.2;
    vec3 colour = lit + 0.6 * lit * lit;
    outColour = vec4(colour * fog, 1.0);
}

@sampler g_Texture filter=linear address=wrap

@technique Tunnel
@pass vertex=TunnelVS fragment=TunnelPS
