#version 330 core
// Texel times the sprite colour (premultiplied, as the sprite font stores it).

in vec4 vColor;
in vec2 vTexCoord;

uniform sampler2D uTexture;  // texture unit 0

out vec4 oColor;

void main() {
  oColor = texture(uTexture, vTexCoord) * vColor;
}
