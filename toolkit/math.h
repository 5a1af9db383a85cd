#pragma once
// Vectors, quaternions, 4x4 matrices and colours for every subsystem (no GL).
// Conventions: row vectors (v' = v * M, so A * B applies A first), right-handed
// coordinates with +Y up and the viewer looking along -Z, angles in radians,
// projections map view depth to 0 (near) .. 1 (far).
#include <cmath>

namespace quela::toolkit {

inline constexpr float kPi = 3.14159265358979323846f;

struct Vector2 {
  float x = 0, y = 0;

  friend constexpr Vector2 operator+(Vector2 a, Vector2 b) { return {a.x + b.x, a.y + b.y}; }
  friend constexpr Vector2 operator-(Vector2 a, Vector2 b) { return {a.x - b.x, a.y - b.y}; }
  friend constexpr Vector2 operator*(Vector2 a, float s) { return {a.x * s, a.y * s}; }
  friend constexpr Vector2 operator*(Vector2 a, Vector2 b) { return {a.x * b.x, a.y * b.y}; }
  friend constexpr bool operator==(Vector2, Vector2) = default;
};

struct Matrix;
struct Quaternion;

struct Vector3 {
  float x = 0, y = 0, z = 0;

  float Length() const { return std::sqrt(x * x + y * y + z * z); }
  float LengthSquared() const { return x * x + y * y + z * z; }
  // Unit vector in the same direction; the zero vector stays zero.
  Vector3 Normalized() const;
  static constexpr float Dot(Vector3 a, Vector3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
  static constexpr Vector3 Cross(Vector3 a, Vector3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
  }
  // Point transform (w = 1), divided by the resulting w.
  static Vector3 Transform(Vector3 v, const Matrix& m);
  // Rotation by a unit quaternion.
  static Vector3 Transform(Vector3 v, const Quaternion& q);
  // Direction transform (w = 0): no translation.
  static Vector3 TransformNormal(Vector3 v, const Matrix& m);

  friend constexpr Vector3 operator+(Vector3 a, Vector3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
  friend constexpr Vector3 operator-(Vector3 a, Vector3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
  friend constexpr Vector3 operator-(Vector3 a) { return {-a.x, -a.y, -a.z}; }
  friend constexpr Vector3 operator*(Vector3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }
  friend constexpr Vector3 operator*(Vector3 a, Vector3 b) { return {a.x * b.x, a.y * b.y, a.z * b.z}; }
  friend constexpr bool operator==(Vector3, Vector3) = default;
};

struct Vector4 {
  float x = 0, y = 0, z = 0, w = 0;

  static Vector4 Transform(Vector4 v, const Matrix& m);
  friend constexpr bool operator==(Vector4, Vector4) = default;
};

struct Quaternion {
  float x = 0, y = 0, z = 0, w = 1;

  static Quaternion CreateFromAxisAngle(Vector3 axis, float angle);
  // Roll about Z first, then pitch about X, then yaw about Y.
  static Quaternion CreateFromYawPitchRoll(float yaw, float pitch, float roll);
  // a * b rotates by a first, then by b (as the matrices do).
  friend Quaternion operator*(const Quaternion& a, const Quaternion& b);
  friend constexpr bool operator==(const Quaternion&, const Quaternion&) = default;
};

struct Matrix {
  float m[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};

  static constexpr Matrix Identity() { return {}; }
  static Matrix CreateTranslation(Vector3 t);
  static Matrix CreateScale(Vector3 s);
  static Matrix CreateScale(float s) { return CreateScale({s, s, s}); }
  static Matrix CreateRotationX(float angle);
  static Matrix CreateRotationY(float angle);
  static Matrix CreateRotationZ(float angle);
  static Matrix CreateFromQuaternion(const Quaternion& q);
  // Roll about Z first, then pitch about X, then yaw about Y.
  static Matrix CreateFromYawPitchRoll(float yaw, float pitch, float roll);
  // Right-handed view: the camera at `eye` looks toward `target`.
  static Matrix CreateLookAt(Vector3 eye, Vector3 target, Vector3 up);
  // Right-handed projection; depth 0 at z = -nearZ, 1 at z = -farZ.
  static Matrix CreatePerspectiveFieldOfView(float fovY, float aspect, float nearZ, float farZ);

  Matrix Transpose() const;
  // The inverse; a singular matrix yields all zeros.
  Matrix Invert() const;
  Vector3 Translation() const { return {m[3][0], m[3][1], m[3][2]}; }

  friend Matrix operator*(const Matrix& a, const Matrix& b);
  friend bool operator==(const Matrix&, const Matrix&) = default;
};

// Linear RGBA, each 0..1 (premultiplied where a blend state expects it).
struct Color {
  float r = 0, g = 0, b = 0, a = 1;
  friend constexpr bool operator==(Color, Color) = default;
};

static_assert(sizeof(Vector3) == 3 * sizeof(float), "Vector3 arrays are handed to GL as floats");

inline constexpr Color kWhite{1, 1, 1, 1};
inline constexpr Color kBlack{0, 0, 0, 1};

}  // namespace quela::toolkit
