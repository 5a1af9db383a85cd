#version 330 core
// Sprite vertices in viewport pixels (top-left origin); uTransform takes them
// to clip space.

layout(location = 0) in vec3 aPosition;  // x, y in pixels, z = layer depth
layout(location = 1) in vec4 aColor;
layout(location = 2) in vec2 aTexCoord;

uniform mat4 uTransform;
uniform vec3 uClipAdjust;  // y scale, z scale, z bias (w multiple) for GL's clip space

out vec4 vColor;
out vec2 vTexCoord;

void main() {
  vColor = aColor;
  vTexCoord = aTexCoord;
  vec4 p = uTransform * vec4(aPosition, 1.0);
  gl_Position = vec4(p.x, p.y * uClipAdjust.x, p.z * uClipAdjust.y + p.w * uClipAdjust.z, p.w);
}
