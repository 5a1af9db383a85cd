#pragma once
// The little vector algebra the model generators need (row vectors,
// right-handed, +Y up). Rotations follow the GUI's angle convention: roll
// about Z first, then pitch about X, then yaw about Y.
#include <cmath>

namespace quela::tools {

struct Vec3 {
  float x = 0, y = 0, z = 0;

  friend constexpr Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
  friend constexpr Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
  friend constexpr Vec3 operator-(Vec3 a) { return {-a.x, -a.y, -a.z}; }
  friend constexpr Vec3 operator*(Vec3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }
  friend constexpr bool operator==(Vec3, Vec3) = default;
};

constexpr float Dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
constexpr Vec3 Cross(Vec3 a, Vec3 b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
constexpr Vec3 Hadamard(Vec3 a, Vec3 b) { return {a.x * b.x, a.y * b.y, a.z * b.z}; }
inline float Length(Vec3 a) { return std::sqrt(Dot(a, a)); }
// The zero vector stays zero.
inline Vec3 Normalize(Vec3 a) {
  const float length = Length(a);
  return length > 0 ? a * (1.0f / length) : a;
}

struct RollPitchYaw {
  float pitch = 0, yaw = 0, roll = 0;  // radians
};

inline Vec3 Rotate(Vec3 v, RollPitchYaw r) {
  const float cr = std::cos(r.roll), sr = std::sin(r.roll);
  v = {v.x * cr - v.y * sr, v.x * sr + v.y * cr, v.z};
  const float cp = std::cos(r.pitch), sp = std::sin(r.pitch);
  v = {v.x, v.y * cp - v.z * sp, v.y * sp + v.z * cp};
  const float cy = std::cos(r.yaw), sy = std::sin(r.yaw);
  return {v.x * cy + v.z * sy, v.y, -v.x * sy + v.z * cy};
}

// The inverse of Rotate(·, r).
inline Vec3 Unrotate(Vec3 v, RollPitchYaw r) {
  const float cy = std::cos(r.yaw), sy = std::sin(r.yaw);
  v = {v.x * cy - v.z * sy, v.y, v.x * sy + v.z * cy};
  const float cp = std::cos(r.pitch), sp = std::sin(r.pitch);
  v = {v.x, v.y * cp + v.z * sp, -v.y * sp + v.z * cp};
  const float cr = std::cos(r.roll), sr = std::sin(r.roll);
  return {v.x * cr + v.y * sr, -v.x * sr + v.y * cr, v.z};
}

}  // namespace quela::tools
