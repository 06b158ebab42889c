// The renderer's GLSL 3.30 programs: lit solids, the ground, the sky and the flat shadows.
#pragma once

// clang-format off
inline constexpr const char* kSolidVertex = R"(#version 330 core
layout(location = 0) in vec3 aPos;
layout(location = 1) in vec3 aNormal;
// Per shape: the rows of its model matrix (rotation times scale, then the position), its scale
// and its colour.
layout(location = 2) in vec4 aModel0;
layout(location = 3) in vec4 aModel1;
layout(location = 4) in vec4 aModel2;
layout(location = 5) in vec3 aScale;
layout(location = 6) in vec3 aColor;
uniform mat4 uViewProj;
out vec3 vWorld;
out vec3 vNormal;
out vec3 vLocal;
out vec3 vLocalNormal;
out vec3 vColor;
void main() {
  vec4 p = vec4(aPos, 1.0);
  vWorld = vec3(dot(aModel0, p), dot(aModel1, p), dot(aModel2, p));
  // Normals go through the rotation times the inverse scale: the model's 3 x 3 times the
  // inverse scale squared.
  vec3 n = aNormal / (aScale * aScale);
  vNormal = vec3(dot(aModel0.xyz, n), dot(aModel1.xyz, n), dot(aModel2.xyz, n));
  vLocal = aPos * aScale;
  vLocalNormal = aNormal;
  vColor = aColor;
  gl_Position = uViewProj * vec4(vWorld, 1.0);
}
)";

// Shared by the solids and the ground: sun, sky light from above, bounce light from below, and
// haze toward the horizon colour with distance.
inline constexpr const char* kLighting = R"(
uniform vec3 uSun;
uniform vec3 uEye;
uniform vec3 uHaze;
vec3 lit(vec3 base, vec3 n, vec3 world, float shininess) {
  float diffuse = max(dot(n, uSun), 0.0);
  vec3 ambient = mix(vec3(0.36, 0.33, 0.28), vec3(0.48, 0.52, 0.60), n.z * 0.5 + 0.5);
  vec3 toEye = normalize(uEye - world);
  float specular = shininess > 0.0 ? pow(max(dot(n, normalize(uSun + toEye)), 0.0), shininess) : 0.0;
  return base * (ambient + diffuse * vec3(0.72, 0.69, 0.62)) + specular * 0.22;
}
vec3 hazed(vec3 color, vec3 world) {
  float d = length(uEye - world);
  return mix(color, uHaze, 1.0 - exp(-d * 0.0022));
}
)";

inline constexpr const char* kSolidFragment = R"(
in vec3 vWorld;
in vec3 vNormal;
in vec3 vLocal;
in vec3 vLocalNormal;
in vec3 vColor;
uniform bool uTextured;
uniform sampler2D uTexture;
out vec4 fragColor;
// The texture is laid on each face from the side it faces, so boxes get straight grain and
// round shapes a seamless blend; one repeat per three units.
vec3 surface(vec3 p, vec3 n) {
#ifdef FLAT_FACES
  // A box's faces each look along one axis: one lookup gives what the blend of three would.
  p *= 0.33;
  vec2 uv = abs(n.x) > 0.5 ? p.yz : (abs(n.y) > 0.5 ? p.xz : p.xy);
  return texture(uTexture, uv).rgb;
#else
  vec3 w = pow(abs(n), vec3(4.0));
  w /= w.x + w.y + w.z;
  p *= 0.33;
  return texture(uTexture, p.yz).rgb * w.x + texture(uTexture, p.xz).rgb * w.y +
         texture(uTexture, p.xy).rgb * w.z;
#endif
}
void main() {
  vec3 base = vColor;
  if (uTextured) base *= surface(vLocal, normalize(vLocalNormal)) * 1.12;
  vec3 color = lit(base, normalize(vNormal), vWorld, 40.0);
  fragColor = vec4(hazed(color, vWorld), 1.0);
}
)";

inline constexpr const char* kGroundVertex = R"(#version 330 core
layout(location = 0) in vec3 aPos;
uniform vec2 uCenter;
uniform float uExtent;
uniform mat4 uViewProj;
out vec3 vWorld;
void main() {
  vWorld = vec3(uCenter + aPos.xy * uExtent, 0.0);
  gl_Position = uViewProj * vec4(vWorld, 1.0);
}
)";

inline constexpr const char* kGroundFragment = R"(
in vec3 vWorld;
uniform bool uTextured;
uniform sampler2D uTexture;
out vec4 fragColor;
void main() {
  // One repeat per sixteen units, shaded by the same image stretched far wider so that the
  // repeats do not line up into a grid.
  vec3 base = vec3(0.44, 0.50, 0.32);
  if (uTextured) {
    float broad = dot(texture(uTexture, vWorld.xy / 173.0).rgb, vec3(0.45, 0.45, 0.45));
    base = texture(uTexture, vWorld.xy / 16.0).rgb * (0.42 + broad);
  }
  fragColor = vec4(hazed(lit(base, vec3(0.0, 0.0, 1.0), vWorld, 0.0), vWorld), 1.0);
}
)";

inline constexpr const char* kSkyVertex = R"(#version 330 core
uniform mat4 uInverseViewProj;
out vec3 vRay;
void main() {
  // One triangle that covers the screen, on the far plane: the depth test leaves it only the
  // pixels nothing else has covered.
  vec2 ndc = vec2(gl_VertexID == 1 ? 3.0 : -1.0, gl_VertexID == 2 ? 3.0 : -1.0);
  // The points under a pixel on the near and the far plane move linearly across the screen, so
  // the ray between them interpolates exactly and the pixels need no matrix.
  vec4 nearPoint = uInverseViewProj * vec4(ndc, -1.0, 1.0);
  vec4 farPoint = uInverseViewProj * vec4(ndc, 1.0, 1.0);
  vRay = farPoint.xyz / farPoint.w - nearPoint.xyz / nearPoint.w;
  gl_Position = vec4(ndc, 1.0, 1.0);
}
)";

inline constexpr const char* kSkyFragment = R"(#version 330 core
in vec3 vRay;
uniform vec3 uEye;
uniform vec3 uHaze;
uniform bool uTextured;
uniform sampler2D uTexture;
out vec4 fragColor;
void main() {
  vec3 dir = normalize(vRay);
  float up = max(dir.z, 0.0);
  vec3 color = mix(uHaze, vec3(0.22, 0.42, 0.82), pow(up, 0.55));
  if (uTextured && dir.z > 0.0) {
    // Clouds on a layer 80 units up, thinning into the haze at the horizon.
    vec2 uv = (uEye.xy + dir.xy / dir.z * 80.0) / 300.0;
    vec3 clouds = texture(uTexture, uv).rgb;
    float cloudiness = max(clouds.r - 0.45, 0.0) / 0.55;
    color = mix(color, vec3(0.97, 0.98, 1.0), cloudiness * smoothstep(0.03, 0.35, dir.z));
  }
  fragColor = vec4(color, 1.0);
}
)";

inline constexpr const char* kShadowVertex = R"(#version 330 core
layout(location = 0) in vec3 aPos;
layout(location = 2) in vec4 aModel0;
layout(location = 3) in vec4 aModel1;
layout(location = 4) in vec4 aModel2;
// The camera's matrix times the slide along the sun's rays down to the ground.
uniform mat4 uViewProjFlatten;
void main() {
  vec4 p = vec4(aPos, 1.0);
  gl_Position = uViewProjFlatten * vec4(dot(aModel0, p), dot(aModel1, p), dot(aModel2, p), 1.0);
}
)";

inline constexpr const char* kShadowFragment = R"(#version 330 core
uniform float uAlpha;
out vec4 fragColor;
void main() { fragColor = vec4(0.0, 0.0, 0.0, uAlpha); }
)";
// clang-format on
