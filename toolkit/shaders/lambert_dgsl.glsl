#version 330 core
// Lambert pixel stage of the material effects, shipped as "lambert.dgsl.cso".
// A GLSL 3.30 core fragment shader linked with the toolkit's model vertex
// stage; a replacement must keep these inputs, uniforms and output.
// Vectors are in world space; colours are linear; the output is premultiplied.

in vec3 vPositionW;
in vec3 vNormalW;
in vec4 vColor;      // vertex colour, or white when per-vertex colour is off
in vec2 vTexCoord;   // v = 0 at the top row of the image
in float vViewDepth; // distance in front of the eye, for fog

uniform vec4 uDiffuse;          // rgb diffuse colour, a = alpha
uniform vec3 uMaterialAmbient;
uniform vec3 uEmissive;
uniform vec3 uSpecular;
uniform float uSpecularPower;   // 0 = no specular highlight
uniform vec3 uEyePosition;

uniform bool uLightingEnabled;
uniform vec3 uAmbientLight;
uniform vec3 uLightDirection[3];  // the direction the light travels
uniform vec3 uLightDiffuse[3];    // zero for a disabled light
uniform vec3 uLightSpecular[3];   // zero for a disabled light

uniform bool uTextureEnabled;
uniform sampler2D uTexture;       // texture unit 0

uniform vec3 uFog;                // start, end, enabled (0 or 1)
uniform vec3 uFogColor;

out vec4 oColor;

void main() {
  vec3 base = uDiffuse.rgb * vColor.rgb;
  float alpha = uDiffuse.a * vColor.a;
  vec3 color;
  if (uLightingEnabled) {
    vec3 n = normalize(vNormalW);
    vec3 toEye = normalize(uEyePosition - vPositionW);
    vec3 diffuse = vec3(0.0);
    vec3 specular = vec3(0.0);
    for (int i = 0; i < 3; ++i) {
      vec3 toLight = -uLightDirection[i];
      float nDotL = dot(n, toLight);
      if (nDotL <= 0.0) continue;
      diffuse += uLightDiffuse[i] * nDotL;
      if (uSpecularPower > 0.0) {
        float nDotH = max(dot(n, normalize(toLight + toEye)), 0.0);
        specular += uLightSpecular[i] * pow(nDotH, uSpecularPower);
      }
    }
    color = uMaterialAmbient * uAmbientLight * vColor.rgb + base * diffuse + uEmissive +
            uSpecular * specular;
  } else {
    color = base + uEmissive;
  }
  if (uTextureEnabled) {
    vec4 texel = texture(uTexture, vTexCoord);
    color *= texel.rgb;
    alpha *= texel.a;
  }
  if (uFog.z > 0.0) {
    float f = clamp((vViewDepth - uFog.x) / max(uFog.y - uFog.x, 1e-6), 0.0, 1.0);
    color = mix(color, uFogColor, f);
  }
  color = clamp(color, 0.0, 1.0);
  oColor = vec4(color * alpha, alpha);
}
