#include "render/screen/screen_state.h"

#include <cmath>
#include <utility>

#include "app/log/g2log.h"
#include "render/screen/screen_table.h"

namespace quela {

using toolkit::Matrix;
using toolkit::Vector3;

namespace {

constexpr float kOutOfTableDistance = 15.0f;
constexpr float kScreenDistanceOffset = 25.0f;

bool IsFinite(Vector3 v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

}  // namespace

ScreenState::ScreenState(PostMessageFn post) : post_(std::move(post)) {}

void ScreenState::ConnectGui(StatusTextFn showStatusText, LightDirectionsFn setGuiLightDirections) {
  showStatusText_ = std::move(showStatusText);
  setGuiLightDirections_ = std::move(setGuiLightDirections);
}

void ScreenState::SetDefaults(std::int32_t defaultStereoMode, std::int32_t defaultScreenType) {
  // A mode outside the table is not taken: the menu keeps "Standard 2D" checked, and the
  // frame renderer has no layout for it.
  if (const StereoModeInfo* mode = FindStereoMode(static_cast<StereoMode>(defaultStereoMode))) {
    stereoMode_.store(mode->mode);
    menuChecks_.stereoMode = mode->menuId;
    LOG(INFO) << mode->defaultLogText;
  }
  // Posted, not applied: the window procedure runs it once the loop starts and the GUI exists.
  if (const ScreenInfo* screen = FindScreen(static_cast<ScreenType>(defaultScreenType))) PostCommand(screen->menuId);
}

void ScreenState::SelectStereoMode(StereoMode mode) {
  const StereoModeInfo* info = FindStereoMode(mode);
  if (!info) return;
  menuChecks_.stereoMode = info->menuId;
  if (mode == StereoMode::Mono2D && flip_) {
    ShowStatusText("Stereo 3D Flip Reset");
    flip_ = false;
  }
  stereoMode_.store(mode);
  MarkLayoutChanged();
}

void ScreenState::SelectScreenType(ScreenType type) {
  const ScreenInfo* info = FindScreen(type);
  if (!info) return;
  menuChecks_.screenType = info->menuId;
  SetScreenType(type);
  MarkLayoutChanged();
}

void ScreenState::SelectVideo3DType(Video3DType type) {
  if (type == Video3DType::FullFull) {
    if (stereoMode() == StereoMode::Mono2D) return;
    menuChecks_.video3DType = ID_3DTYPE_FULL;
  } else {
    menuChecks_.video3DType = ID_3DTYPE_HALF;
    // The check mark moves in 2D as well; the stored type follows it, or the next 3D layout
    // would be cut differently from what the menu shows. 2D pictures do not depend on it.
    if (stereoMode() == StereoMode::Mono2D) video3DType_.exchange(Video3DType::HalfHalf);
  }
  SetVideo3DType(type);
}

void ScreenState::SetVideo3DType(Video3DType type) {
  if (stereoMode() == StereoMode::Mono2D) return;
  video3DType_.exchange(type);
  MarkLayoutChanged();
}

void ScreenState::SetScreenType(ScreenType type) {
  if (const ScreenInfo* info = FindScreen(type)) {
    currentScreenModel_ = type;
    ShowStatusText(std::string(info->statusText));
  }
  screenType_.store(type);
  ResetScreenPosition();
  ResetViewer();
}

void ScreenState::SetStereoFlip() {
  const StereoMode mode = stereoMode();
  if (mode == StereoMode::Mono2D) return;
  flip_ = !flip_;
  if (!flip_)
    ShowStatusText("Stereo 3D Flip Reset");
  else if (mode == StereoMode::SideBySide)
    ShowStatusText("Stereo 3D Right/Left Flipped");
  else if (mode == StereoMode::OverUnder)
    ShowStatusText("Stereo 3D Below/Above Flipped");
}

void ScreenState::SetScreenPlacement(bool above) {
  const ScreenPlacement wanted = above ? ScreenPlacement::Above : ScreenPlacement::InFront;
  if (wanted == placement_) return;
  placement_ = wanted;
  // +90 degrees about X: a point 10 units ahead ends up 10 units overhead.
  placementRotation_ = above ? Matrix::CreateRotationX(toolkit::kPi / 2) : Matrix::Identity();
  if (setGuiLightDirections_) setGuiLightDirections_(GuiLightDirections());
  ShowStatusText(above ? "Screen is now Above You" : "Screen is now In-front of You");
  ResetViewer();
}

void ScreenState::MoveViewerForward(float elapsedSeconds) { MoveViewer(elapsedSeconds, 1.0f); }

void ScreenState::MoveViewerBackward(float elapsedSeconds) { MoveViewer(elapsedSeconds, -1.0f); }

void ScreenState::MoveViewer(float elapsedSeconds, float sign) {
  const float step = viewerSpeed_ * elapsedSeconds * sign;
  const Vector3 d = viewerDirection_;
  // Overhead, y and z of the direction change places, so "forward" rises toward the screen.
  const Vector3 next = placement_ == ScreenPlacement::Above ? viewerPosition_ - Vector3{d.x, d.z, d.y} * step
                                                            : viewerPosition_ + d * step;
  // A broken frame time or a position past the float range would poison every later frame.
  if (IsFinite(next)) viewerPosition_ = next;
}

void ScreenState::ResetViewer() {
  if (theaterActive_) {
    viewerPosition_ = theater_.viewerPosition;
    viewerDirection_ = theater_.viewerDirection;
    viewerSpeed_ = kTheaterViewerSpeed;
  } else {
    viewerPosition_ = {0, 0, 0};
    viewerDirection_ = {0, 0, -1};
    viewerSpeed_ = kViewerSpeed;
  }
}

void ScreenState::ResetScreenPosition() {
  if (theaterActive_) {
    screenPosition_ = theater_.screenPosition;
    return;
  }
  const ScreenInfo* info = FindScreen(screenType());
  const float distance = info ? info->baseDistance : kOutOfTableDistance;
  screenPosition_ = {0, 0, distance - kScreenDistanceOffset};
}

bool ScreenState::SetScreenAspect(float aspect) {
  const ScreenType type = screenType();
  switch (type) {
    case ScreenType::Dome:
    case ScreenType::Panoramic360:
    case ScreenType::Spherical:
      screenScale_ = {1, 1, 1};
      return false;
    default:
      break;
  }
  // An empty frame size must not turn the screen into infinite or NaN geometry.
  if (!(aspect > 0.0f) || !std::isfinite(aspect)) return true;
  if (type == ScreenType::Panoramic180 || type == ScreenType::PanoramicDish180)
    screenScale_ = {1, 1 / aspect, 1};
  else
    screenScale_ = {aspect, 1, 1};
  return true;
}

void ScreenState::ShowStatusText(const std::string& text) {
  if (showStatusText_) showStatusText_(text);
}

void ScreenState::PostCommand(std::uint32_t menuId) {
  if (post_) post_(WM_COMMAND, menuId, 0);
}

void ScreenState::EnterTheater(const TheaterPlacement& theater) {
  theater_ = theater;
  screenPosition_ = theater.screenPosition;
  viewerPosition_ = theater.viewerPosition;
  viewerDirection_ = theater.viewerDirection;
  screenScaleFactor_ = theater.screenScaleFactor;
  theaterActive_ = true;
  viewerSpeed_ = kTheaterViewerSpeed;
}

void ScreenState::LeaveTheater() {
  theaterActive_ = false;
  ResetScreenPosition();
  ResetViewer();
  screenScaleFactor_ = 1.0f;
}

Matrix ScreenState::ScreenWorld() const {
  return Matrix::CreateScale(screenScale_ * screenScaleFactor_) * Matrix::CreateTranslation(screenPosition_) *
         placementRotation_;
}

Matrix ScreenState::GuiParent() const {
  const Vector3 v = viewerPosition_;
  // Overhead the offset is given before the turn, which carries (0, 0, -y) to (0, y, 0).
  const Vector3 g = placement_ == ScreenPlacement::Above ? Vector3{-v.x, -v.z, -v.y} : v;
  return Matrix::CreateTranslation(g) * placementRotation_;
}

ScreenState::LightDirections ScreenState::GuiLightDirections() const {
  if (placement_ != ScreenPlacement::Above) return lightDirections_;
  // A half turn about (1, -1, 0).
  constexpr toolkit::Quaternion kOverhead{0.70710677f, -0.70710677f, 0.0f, 0.0f};
  LightDirections turned;
  for (std::size_t i = 0; i < turned.size(); ++i) turned[i] = Vector3::Transform(lightDirections_[i], kOverhead);
  return turned;
}

}  // namespace quela
