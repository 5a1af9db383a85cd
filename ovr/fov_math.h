#pragma once
// Field-of-view arithmetic: tangent space to NDC, texture sizes, projections, eye texture coordinates.

#include "ovr/OVR_CAPI.h"

namespace quela::ovr {

// ndc = tangent * scale + offset, both axes pointing right and up.
struct ScaleOffset {
  ovrVector2f scale;
  ovrVector2f offset;
};

ScaleOffset NdcFromTangent(const ovrFovPort& fov);
ovrVector2f TangentToNdc(const ovrFovPort& fov, ovrVector2f tangent);
ovrVector2f NdcToTangent(const ovrFovPort& fov, ovrVector2f ndc);

ovrSizei FovTextureSize(const ovrFovPort& fov, ovrVector2f pixelsPerTanAngle, float density);

ovrMatrix4f Projection(const ovrFovPort& fov, float znear, float zfar, bool rightHanded);

// Texture coordinate = tangent * scale + offset into the eye's viewport of the shared texture.
// rowZeroAtTop: the picture's top is the texture's row 0 (t grows downward in the picture).
ScaleOffset EyeUvFromTangent(const ovrFovPort& fov, ovrSizei textureSize, const ovrRecti& viewport,
                             bool rowZeroAtTop);

// The texel centres of the viewport's outermost texels (kept inside the texture), as texture
// coordinates: sampling within them never blends in the neighbouring eye.
struct UvBounds {
  ovrVector2f min;
  ovrVector2f max;
};
UvBounds ViewportUvBounds(ovrSizei textureSize, const ovrRecti& viewport);

}  // namespace quela::ovr
