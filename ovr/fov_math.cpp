#include "ovr/fov_math.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace quela::ovr {

ScaleOffset NdcFromTangent(const ovrFovPort& fov) {
  const float sx = 2.0f / (fov.LeftTan + fov.RightTan);
  const float sy = 2.0f / (fov.UpTan + fov.DownTan);
  return {{sx, sy}, {(fov.LeftTan - fov.RightTan) * sx * 0.5f, (fov.UpTan - fov.DownTan) * sy * 0.5f}};
}

ovrVector2f TangentToNdc(const ovrFovPort& fov, ovrVector2f tangent) {
  const ScaleOffset t = NdcFromTangent(fov);
  return {tangent.x * t.scale.x + t.offset.x, tangent.y * t.scale.y + t.offset.y};
}

ovrVector2f NdcToTangent(const ovrFovPort& fov, ovrVector2f ndc) {
  const ScaleOffset t = NdcFromTangent(fov);
  return {(ndc.x - t.offset.x) / t.scale.x, (ndc.y - t.offset.y) / t.scale.y};
}

ovrSizei FovTextureSize(const ovrFovPort& fov, ovrVector2f pixelsPerTanAngle, float density) {
  return {static_cast<int>(std::floor(0.5f + density * pixelsPerTanAngle.x * (fov.LeftTan + fov.RightTan))),
          static_cast<int>(std::floor(0.5f + density * pixelsPerTanAngle.y * (fov.UpTan + fov.DownTan)))};
}

ovrMatrix4f Projection(const ovrFovPort& fov, float znear, float zfar, bool rightHanded) {
  const ScaleOffset t = NdcFromTangent(fov);
  const float h = rightHanded ? -1.0f : 1.0f;
  ovrMatrix4f m{};
  m.M[0][0] = t.scale.x;
  m.M[0][2] = h * t.offset.x;
  m.M[1][1] = t.scale.y;
  m.M[1][2] = -h * t.offset.y;
  m.M[2][2] = -h * zfar / (znear - zfar);
  m.M[2][3] = zfar * znear / (znear - zfar);
  m.M[3][2] = h;
  return m;
}

ScaleOffset EyeUvFromTangent(const ovrFovPort& fov, ovrSizei textureSize, const ovrRecti& viewport,
                             bool rowZeroAtTop) {
  const ScaleOffset ndc = NdcFromTangent(fov);
  // ndc -> [0, 1] across the viewport, then into the viewport's place in the texture.
  const float w = static_cast<float>(viewport.Size.w) / textureSize.w;
  const float h = static_cast<float>(viewport.Size.h) / textureSize.h;
  const float x0 = static_cast<float>(viewport.Pos.x) / textureSize.w;
  const float y0 = static_cast<float>(viewport.Pos.y) / textureSize.h;
  const float flip = rowZeroAtTop ? -1.0f : 1.0f;
  return {{ndc.scale.x * 0.5f * w, flip * ndc.scale.y * 0.5f * h},
          {(0.5f + ndc.offset.x * 0.5f) * w + x0, (0.5f + flip * ndc.offset.y * 0.5f) * h + y0}};
}

UvBounds ViewportUvBounds(ovrSizei textureSize, const ovrRecti& viewport) {
  const auto axis = [](int start, int length, int size) {
    const float first = std::clamp(start, 0, size - 1) + 0.5f;
    const float last = std::clamp(start + length - 1, 0, size - 1) + 0.5f;
    return std::pair{first / size, std::max(first, last) / size};
  };
  const auto [x0, x1] = axis(viewport.Pos.x, viewport.Size.w, textureSize.w);
  const auto [y0, y1] = axis(viewport.Pos.y, viewport.Size.h, textureSize.h);
  return {{x0, y0}, {x1, y1}};
}

}  // namespace quela::ovr
