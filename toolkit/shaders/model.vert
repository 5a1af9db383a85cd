#version 330 core
// Vertex stage of every model effect. Matrices arrive as row-vector matrices
// stored row by row, which GLSL reads as their transposes: M * v here is v * M.

layout(location = 0) in vec3 aPosition;
layout(location = 1) in vec3 aNormal;
layout(location = 2) in vec4 aColor;
layout(location = 3) in vec2 aTexCoord;

uniform mat4 uWorld;
uniform mat4 uWorldInverseTranspose;
uniform mat4 uWorldViewProjection;
uniform vec4 uViewZ;              // the view matrix's z column: view-space z of a world point
uniform bool uVertexColorEnabled;
uniform vec3 uClipAdjust;         // y scale, z scale, z bias (w multiple) for GL's clip space

out vec3 vPositionW;
out vec3 vNormalW;
out vec4 vColor;
out vec2 vTexCoord;
out float vViewDepth;

void main() {
  vec4 world = uWorld * vec4(aPosition, 1.0);
  vPositionW = world.xyz;
  vNormalW = (uWorldInverseTranspose * vec4(aNormal, 0.0)).xyz;
  vColor = uVertexColorEnabled ? aColor : vec4(1.0);
  vTexCoord = aTexCoord;
  vViewDepth = -dot(world, uViewZ);
  vec4 p = uWorldViewProjection * vec4(aPosition, 1.0);
  gl_Position = vec4(p.x, p.y * uClipAdjust.x, p.z * uClipAdjust.y + p.w * uClipAdjust.z, p.w);
}
