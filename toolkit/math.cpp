#include "toolkit/math.h"

namespace quela::toolkit {

Vector3 Vector3::Normalized() const {
  const float len = Length();
  return len > 0 ? *this * (1.0f / len) : Vector3{};
}

Vector3 Vector3::Transform(Vector3 v, const Matrix& m) {
  const Vector4 r = Vector4::Transform({v.x, v.y, v.z, 1}, m);
  const float inv = r.w != 0 ? 1.0f / r.w : 0.0f;
  return {r.x * inv, r.y * inv, r.z * inv};
}

Vector3 Vector3::TransformNormal(Vector3 v, const Matrix& m) {
  const Vector4 r = Vector4::Transform({v.x, v.y, v.z, 0}, m);
  return {r.x, r.y, r.z};
}

Vector3 Vector3::Transform(Vector3 v, const Quaternion& q) {
  // v + 2w(u x v) + 2u x (u x v), u = the quaternion's vector part.
  const Vector3 u{q.x, q.y, q.z};
  const Vector3 t = Cross(u, v) * 2.0f;
  return v + t * q.w + Cross(u, t);
}

Vector4 Vector4::Transform(Vector4 v, const Matrix& m) {
  const float in[4] = {v.x, v.y, v.z, v.w};
  float out[4];
  for (int c = 0; c < 4; ++c)
    out[c] = in[0] * m.m[0][c] + in[1] * m.m[1][c] + in[2] * m.m[2][c] + in[3] * m.m[3][c];
  return {out[0], out[1], out[2], out[3]};
}

Quaternion Quaternion::CreateFromAxisAngle(Vector3 axis, float angle) {
  const Vector3 n = axis.Normalized();
  const float s = std::sin(angle * 0.5f);
  return {n.x * s, n.y * s, n.z * s, std::cos(angle * 0.5f)};
}

Quaternion Quaternion::CreateFromYawPitchRoll(float yaw, float pitch, float roll) {
  const Quaternion r = CreateFromAxisAngle({0, 0, 1}, roll);
  const Quaternion p = CreateFromAxisAngle({1, 0, 0}, pitch);
  const Quaternion y = CreateFromAxisAngle({0, 1, 0}, yaw);
  return r * p * y;
}

Quaternion operator*(const Quaternion& a, const Quaternion& b) {
  // Hamilton product b·a, so that a is applied first.
  return {b.w * a.x + b.x * a.w + b.y * a.z - b.z * a.y,
          b.w * a.y - b.x * a.z + b.y * a.w + b.z * a.x,
          b.w * a.z + b.x * a.y - b.y * a.x + b.z * a.w,
          b.w * a.w - b.x * a.x - b.y * a.y - b.z * a.z};
}

Matrix Matrix::CreateTranslation(Vector3 t) {
  Matrix r;
  r.m[3][0] = t.x;
  r.m[3][1] = t.y;
  r.m[3][2] = t.z;
  return r;
}

Matrix Matrix::CreateScale(Vector3 s) {
  Matrix r;
  r.m[0][0] = s.x;
  r.m[1][1] = s.y;
  r.m[2][2] = s.z;
  return r;
}

Matrix Matrix::CreateRotationX(float angle) {
  const float c = std::cos(angle), s = std::sin(angle);
  Matrix r;
  r.m[1][1] = c;
  r.m[1][2] = s;
  r.m[2][1] = -s;
  r.m[2][2] = c;
  return r;
}

Matrix Matrix::CreateRotationY(float angle) {
  const float c = std::cos(angle), s = std::sin(angle);
  Matrix r;
  r.m[0][0] = c;
  r.m[0][2] = -s;
  r.m[2][0] = s;
  r.m[2][2] = c;
  return r;
}

Matrix Matrix::CreateRotationZ(float angle) {
  const float c = std::cos(angle), s = std::sin(angle);
  Matrix r;
  r.m[0][0] = c;
  r.m[0][1] = s;
  r.m[1][0] = -s;
  r.m[1][1] = c;
  return r;
}

Matrix Matrix::CreateFromQuaternion(const Quaternion& q) {
  const float xx = q.x * q.x, yy = q.y * q.y, zz = q.z * q.z;
  const float xy = q.x * q.y, xz = q.x * q.z, yz = q.y * q.z;
  const float wx = q.w * q.x, wy = q.w * q.y, wz = q.w * q.z;
  Matrix r;
  r.m[0][0] = 1 - 2 * (yy + zz);
  r.m[0][1] = 2 * (xy + wz);
  r.m[0][2] = 2 * (xz - wy);
  r.m[1][0] = 2 * (xy - wz);
  r.m[1][1] = 1 - 2 * (xx + zz);
  r.m[1][2] = 2 * (yz + wx);
  r.m[2][0] = 2 * (xz + wy);
  r.m[2][1] = 2 * (yz - wx);
  r.m[2][2] = 1 - 2 * (xx + yy);
  return r;
}

Matrix Matrix::CreateFromYawPitchRoll(float yaw, float pitch, float roll) {
  return CreateRotationZ(roll) * CreateRotationX(pitch) * CreateRotationY(yaw);
}

Matrix Matrix::CreateLookAt(Vector3 eye, Vector3 target, Vector3 up) {
  const Vector3 zAxis = (eye - target).Normalized();
  const Vector3 xAxis = Vector3::Cross(up, zAxis).Normalized();
  const Vector3 yAxis = Vector3::Cross(zAxis, xAxis);
  Matrix r;
  const Vector3 axes[3] = {xAxis, yAxis, zAxis};
  for (int c = 0; c < 3; ++c) {
    r.m[0][c] = axes[c].x;
    r.m[1][c] = axes[c].y;
    r.m[2][c] = axes[c].z;
    r.m[3][c] = -Vector3::Dot(axes[c], eye);
  }
  return r;
}

Matrix Matrix::CreatePerspectiveFieldOfView(float fovY, float aspect, float nearZ, float farZ) {
  const float yScale = 1.0f / std::tan(fovY * 0.5f);
  const float range = farZ / (nearZ - farZ);
  Matrix r;
  r.m[0][0] = yScale / aspect;
  r.m[1][1] = yScale;
  r.m[2][2] = range;
  r.m[2][3] = -1;
  r.m[3][2] = range * nearZ;
  r.m[3][3] = 0;
  return r;
}

Matrix Matrix::Transpose() const {
  Matrix r;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) r.m[i][j] = m[j][i];
  return r;
}

Matrix Matrix::Invert() const {
  // Cofactor expansion through the 2x2 sub-determinants of the row pairs.
  const float(&a)[4][4] = m;
  const float s0 = a[0][0] * a[1][1] - a[1][0] * a[0][1];
  const float s1 = a[0][0] * a[1][2] - a[1][0] * a[0][2];
  const float s2 = a[0][0] * a[1][3] - a[1][0] * a[0][3];
  const float s3 = a[0][1] * a[1][2] - a[1][1] * a[0][2];
  const float s4 = a[0][1] * a[1][3] - a[1][1] * a[0][3];
  const float s5 = a[0][2] * a[1][3] - a[1][2] * a[0][3];
  const float c5 = a[2][2] * a[3][3] - a[3][2] * a[2][3];
  const float c4 = a[2][1] * a[3][3] - a[3][1] * a[2][3];
  const float c3 = a[2][1] * a[3][2] - a[3][1] * a[2][2];
  const float c2 = a[2][0] * a[3][3] - a[3][0] * a[2][3];
  const float c1 = a[2][0] * a[3][2] - a[3][0] * a[2][2];
  const float c0 = a[2][0] * a[3][1] - a[3][0] * a[2][1];
  const float det = s0 * c5 - s1 * c4 + s2 * c3 + s3 * c2 - s4 * c1 + s5 * c0;
  Matrix r;
  if (det == 0) {
    for (auto& row : r.m)
      for (float& v : row) v = 0;
    return r;
  }
  const float k = 1.0f / det;
  r.m[0][0] = (a[1][1] * c5 - a[1][2] * c4 + a[1][3] * c3) * k;
  r.m[0][1] = (-a[0][1] * c5 + a[0][2] * c4 - a[0][3] * c3) * k;
  r.m[0][2] = (a[3][1] * s5 - a[3][2] * s4 + a[3][3] * s3) * k;
  r.m[0][3] = (-a[2][1] * s5 + a[2][2] * s4 - a[2][3] * s3) * k;
  r.m[1][0] = (-a[1][0] * c5 + a[1][2] * c2 - a[1][3] * c1) * k;
  r.m[1][1] = (a[0][0] * c5 - a[0][2] * c2 + a[0][3] * c1) * k;
  r.m[1][2] = (-a[3][0] * s5 + a[3][2] * s2 - a[3][3] * s1) * k;
  r.m[1][3] = (a[2][0] * s5 - a[2][2] * s2 + a[2][3] * s1) * k;
  r.m[2][0] = (a[1][0] * c4 - a[1][1] * c2 + a[1][3] * c0) * k;
  r.m[2][1] = (-a[0][0] * c4 + a[0][1] * c2 - a[0][3] * c0) * k;
  r.m[2][2] = (a[3][0] * s4 - a[3][1] * s2 + a[3][3] * s0) * k;
  r.m[2][3] = (-a[2][0] * s4 + a[2][1] * s2 - a[2][3] * s0) * k;
  r.m[3][0] = (-a[1][0] * c3 + a[1][1] * c1 - a[1][2] * c0) * k;
  r.m[3][1] = (a[0][0] * c3 - a[0][1] * c1 + a[0][2] * c0) * k;
  r.m[3][2] = (-a[3][0] * s3 + a[3][1] * s1 - a[3][2] * s0) * k;
  r.m[3][3] = (a[2][0] * s3 - a[2][1] * s1 + a[2][2] * s0) * k;
  return r;
}

Matrix operator*(const Matrix& a, const Matrix& b) {
  Matrix r;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      r.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j] +
                  a.m[i][3] * b.m[3][j];
  return r;
}

}  // namespace quela::toolkit
