#include "ovr/openhmd_headset.h"

#include <openhmd/openhmd.h>

#include <cmath>
#include <cstring>
#include <string>

#include "app/log/g2log.h"
#include "ovr/dk2_optics.h"
#include "ovr/pose_filter.h"
#include "ovr/pose_math.h"
#include "ovr/universal_lens.h"

namespace quela::ovr {
namespace {

bool IsRealHeadset(ohmd_context* ctx, int i) {
  int deviceClass = -1, flags = 0;
  ohmd_list_geti(ctx, i, OHMD_DEVICE_CLASS, &deviceClass);
  ohmd_list_geti(ctx, i, OHMD_DEVICE_FLAGS, &flags);
  const char* product = ohmd_list_gets(ctx, i, OHMD_PRODUCT);
  return deviceClass == OHMD_DEVICE_CLASS_HMD && !(flags & OHMD_DEVICE_FLAGS_NULL_DEVICE) &&
         !(product && std::strcmp(product, "External Device") == 0);
}

// The tangents of an eye's view from OpenHMD's GL projection matrix (column-major).
ovrFovPort FovFromGlProjection(const float m[16]) {
  return {(1 + m[9]) / m[5], (1 - m[9]) / m[5], (1 - m[8]) / m[0], (1 + m[8]) / m[0]};
}

bool Finite(const ovrFovPort& f) {
  return std::isfinite(f.UpTan) && std::isfinite(f.DownTan) && std::isfinite(f.LeftTan) &&
         std::isfinite(f.RightTan) && f.UpTan + f.DownTan > 0 && f.LeftTan + f.RightTan > 0;
}

class OpenHmdHeadset final : public HmdDevice {
 public:
  OpenHmdHeadset(ohmd_context* ctx, ohmd_device* device, std::string vendor, std::string product)
      : ctx_(ctx), device_(device), vendor_(std::move(vendor)), product_(std::move(product)) {}
  ~OpenHmdHeadset() override {
    ohmd_close_device(device_);
    ohmd_ctx_destroy(ctx_);
  }
  OpenHmdHeadset(const OpenHmdHeadset&) = delete;
  OpenHmdHeadset& operator=(const OpenHmdHeadset&) = delete;

  // False when the device reports optics the runtime cannot draw for.
  bool ReadOptics();
  const DeviceOptics& Optics() const override { return optics_; }
  bool IsSimulated() const override { return false; }
  ovrPosef Pose() override;
  void Recenter() override;

 private:
  ohmd_context* ctx_;
  ohmd_device* device_;
  std::string vendor_, product_;
  DeviceOptics optics_;
  PoseFilter filter_;
  bool loggedBadSample_ = false;
  ovrQuatf originHeading_{0, 0, 0, 1};
  ovrVector3f originPosition_{0, 0, 0};
};

bool OpenHmdHeadset::ReadOptics() {
  int width = 0, height = 0, flags = 0;
  ohmd_device_geti(device_, OHMD_SCREEN_HORIZONTAL_RESOLUTION, &width);
  ohmd_device_geti(device_, OHMD_SCREEN_VERTICAL_RESOLUTION, &height);
  ohmd_device_geti(device_, OHMD_DEVICE_FLAGS, &flags);
  if (width <= 0 || height <= 0) {
    LOGF(WARNING, "OpenHMD reports a %d x %d panel for %s; headset not used", width, height, product_.c_str());
    return false;
  }
  if (product_.find("DK2") != std::string::npos) {
    // OpenHMD's own DK2 figures are coarser than the lens model we know for it.
    optics_ = {dk2::Description(), dk2::kPixelsPerTanAngle, dk2::kIpdMetres,
               std::make_unique<dk2::CatmullRomLens>()};
    return true;
  }
  UniversalLensParams lens{};
  float leftProjection[16] = {}, rightProjection[16] = {}, ipd = 0;
  ohmd_device_getf(device_, OHMD_SCREEN_HORIZONTAL_SIZE, &lens.screenSizeMetres.x);
  ohmd_device_getf(device_, OHMD_SCREEN_VERTICAL_SIZE, &lens.screenSizeMetres.y);
  ohmd_device_getf(device_, OHMD_LENS_HORIZONTAL_SEPARATION, &lens.lensSeparationMetres);
  ohmd_device_getf(device_, OHMD_LENS_VERTICAL_POSITION, &lens.lensVerticalPositionMetres);
  ohmd_device_getf(device_, OHMD_UNIVERSAL_DISTORTION_K, lens.k.data());
  ohmd_device_getf(device_, OHMD_UNIVERSAL_ABERRATION_K, lens.aberration.data());
  ohmd_device_getf(device_, OHMD_LEFT_EYE_GL_PROJECTION_MATRIX, leftProjection);
  ohmd_device_getf(device_, OHMD_RIGHT_EYE_GL_PROJECTION_MATRIX, rightProjection);
  ohmd_device_getf(device_, OHMD_EYE_IPD, &ipd);
  lens.fov[ovrEye_Left] = FovFromGlProjection(leftProjection);
  lens.fov[ovrEye_Right] = FovFromGlProjection(rightProjection);
  if (!(lens.screenSizeMetres.x > 0 && lens.screenSizeMetres.y > 0) || !Finite(lens.fov[0]) ||
      !Finite(lens.fov[1])) {
    LOGF(WARNING, "OpenHMD reports unusable optics for %s; headset not used", product_.c_str());
    return false;
  }

  ovrHmdDesc d{};
  d.Type = product_.find("DK1") != std::string::npos ? ovrHmd_DK1 : ovrHmd_Other;
  d.ProductName = product_.c_str();
  d.Manufacturer = vendor_.c_str();
  d.HmdCaps = ovrHmdCap_ExtendDesktop | ovrHmdCap_LowPersistence | ovrHmdCap_DynamicPrediction |
              ovrHmdCap_NoVSync | ovrHmdCap_NoMirrorToWindow;
  d.TrackingCaps = ovrTrackingCap_Orientation |
                   ((flags & OHMD_DEVICE_FLAGS_POSITIONAL_TRACKING) ? unsigned{ovrTrackingCap_Position} : 0u);
  d.DistortionCaps = ovrDistortionCap_Chromatic | ovrDistortionCap_TimeWarp | ovrDistortionCap_Vignette |
                     ovrDistortionCap_NoRestore | ovrDistortionCap_FlipInput | ovrDistortionCap_SRGB |
                     ovrDistortionCap_Overdrive | ovrDistortionCap_HqDistortion;
  for (int eye = 0; eye < ovrEye_Count; ++eye) d.DefaultEyeFov[eye] = d.MaxEyeFov[eye] = lens.fov[eye];
  d.EyeRenderOrder[0] = ovrEye_Left;
  d.EyeRenderOrder[1] = ovrEye_Right;
  d.Resolution = {width, height};
  // One texel per panel pixel across each eye's half at density 1.
  const ovrVector2f pixelsPerTan{(width / 2.0f) / (lens.fov[0].LeftTan + lens.fov[0].RightTan),
                                 height / (lens.fov[0].UpTan + lens.fov[0].DownTan)};
  optics_ = {d, pixelsPerTan, std::isfinite(ipd) && ipd > 0 ? ipd : 0.064f,
             std::make_unique<UniversalLens>(lens)};
  return true;
}

ovrPosef OpenHmdHeadset::Pose() {
  ohmd_ctx_update(ctx_);
  float quat[4] = {0, 0, 0, 1}, position[3] = {0, 0, 0};
  const bool read = ohmd_device_getf(device_, OHMD_ROTATION_QUAT, quat) == OHMD_S_OK;
  if (ohmd_device_getf(device_, OHMD_POSITION_VECTOR, position) != OHMD_S_OK)
    position[0] = position[1] = position[2] = 0;  // rotation-only trackers
  if ((!read || !filter_.Accept(quat, position)) && !loggedBadSample_) {
    loggedBadSample_ = true;
    LOGF(WARNING, "%s reports no usable pose; keeping the last good one", product_.c_str());
  }
  const ovrPosef& raw = filter_.Last();
  const ovrQuatf toOrigin = Conjugate(originHeading_);
  const ovrVector3f offset{raw.Position.x - originPosition_.x, raw.Position.y - originPosition_.y,
                           raw.Position.z - originPosition_.z};
  return {Multiply(toOrigin, raw.Orientation), Rotate(toOrigin, offset)};
}

void OpenHmdHeadset::Recenter() {
  // Pitch and roll stay: they are measured against gravity.
  originHeading_ = HeadingOf(filter_.Last().Orientation);
  originPosition_ = filter_.Last().Position;
}

}  // namespace

std::unique_ptr<HmdDevice> OpenOpenHmdHeadset(int index) {
  ohmd_context* ctx = ohmd_ctx_create();
  if (!ctx) {
    LOG(WARNING) << "OpenHMD context could not be created";
    return nullptr;
  }
  const int count = ohmd_ctx_probe(ctx);
  int seen = 0;
  for (int i = 0; i < count; ++i) {
    if (!IsRealHeadset(ctx, i) || seen++ != index) continue;
    const char* vendor = ohmd_list_gets(ctx, i, OHMD_VENDOR);
    const char* product = ohmd_list_gets(ctx, i, OHMD_PRODUCT);
    ohmd_device* device = ohmd_list_open_device(ctx, i);
    if (!device) {
      LOGF(WARNING, "OpenHMD could not open %s: %s", product ? product : "?", ohmd_ctx_get_error(ctx));
      break;
    }
    auto headset = std::make_unique<OpenHmdHeadset>(ctx, device, vendor ? vendor : "", product ? product : "");
    if (!headset->ReadOptics()) return nullptr;  // closes the device and the context
    LOGF(INFO, "OpenHMD headset opened: %s %s", vendor ? vendor : "", product ? product : "");
    return headset;
  }
  ohmd_ctx_destroy(ctx);
  return nullptr;
}

}  // namespace quela::ovr
