@common
uniform mat4 g_mWorldViewProjection;
#define X0 1.0
#define X1 X0+X0
#define X2 X1+X1
#define X3 X2+X2
#define X4 X3+X3
#define X5 X4+X4
#define X6 X5+X5
#define X7 X6+X6
#define X8 X7+X7
#define X9 X8+X8
#define X10 X9+X9
#define X11 X10+X10
#define X12 X11+X11
#define X13 X12+X12
#define X14 X13+X13
@vertex VS
layout(location = 0) in vec3 inPosition;
void main() { gl_Position = g_mWorldViewProjection * vec4(inPosition, 1.0); }
@fragment PS
out vec4 c;
void main() { c = vec4(X14); }
@technique T
@pass vertex=VS fragment=PS
