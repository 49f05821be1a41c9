@common
// The wire's effect. The wire layer sets no colour, so the colour comes from here: neon bands that
// run along the tube, a rim where the surface turns away, and fog with distance.
uniform mat4 g_mWorldViewProjection;
uniform mat4 g_mWorld;

@vertex WireVS
layout(location = 0) in vec3 inPosition;
layout(location = 1) in vec3 inNormal;
out vec3 vNormal;
out float vAlong;
out float vDepth;
void main()
{
    gl_Position = g_mWorldViewProjection * vec4(inPosition, 1.0);
    vNormal = mat3(g_mWorld) * inNormal;
    vAlong = (g_mWorld * vec4(inPosition, 1.0)).z;
    vDepth = gl_Position.w;
}

@fragment WirePS
in vec3 vNormal;
in float vAlong;
in float vDepth;
out vec4 outColour;
void main()
{
    vec3 n = normalize(vNormal);
    float band = 0.5 + 0.5 * sin(vAlong * 0.004);
    vec3 base = mix(vec3(0.1, 0.85, 1.0), vec3(1.0, 0.2, 0.75), band);
    float facing = clamp(dot(n, normalize(vec3(0.3, 0.6, -0.75))), 0.0, 1.0);
    float stripe = smoothstep(0.92, 1.0, sin(vAlong * 0.05) * 0.5 + 0.5);
    vec3 colour = base * (0.45 + 0.8 * facing) + vec3(stripe * 0.6);
    float fog = exp(-max(vDepth, 0.0) / 9000.0);
    outColour = vec4(colour * fog, 1.0);
}

@technique Wire
@pass vertex=WireVS fragment=WirePS
