#pragma once
// The screen and stereo state of the renderer and the operations that change
// it: stereo mode, 3D type, flip, screen type, placement, viewer and screen
// positions, and the status texts each change shows in the headset.
// Thread: main thread, except where a member says otherwise.
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "app/shell/messages.h"
#include "render/screen/screen_menu.h"
#include "render/screen/stereo_types.h"
#include "toolkit/math.h"

namespace quela {

// Where the theater scene puts the screen and the viewer (model units).
struct TheaterPlacement {
  toolkit::Vector3 screenPosition;
  toolkit::Vector3 viewerPosition;
  toolkit::Vector3 viewerDirection{0, 0, -1};
  float screenScaleFactor = 1.0f;
};

class ScreenState {
 public:
  // Posts to the main window's queue; called on the main thread.
  using PostMessageFn = std::function<void(std::uint32_t message, WPARAM wParam, LPARAM lParam)>;
  using StatusTextFn = std::function<void(const std::string& text)>;
  using LightDirections = std::array<toolkit::Vector3, 3>;
  using LightDirectionsFn = std::function<void(const LightDirections& directions)>;

  static constexpr float kViewerSpeed = 4.0f;          // units per second
  static constexpr float kTheaterViewerSpeed = 400.0f;  // units per second

  explicit ScreenState(PostMessageFn post);

  // The GUI's status line and light directions; empty functions while there is no GUI.
  void ConnectGui(StatusTextFn showStatusText, LightDirectionsFn setGuiLightDirections);
  // The renderer's light directions, kept unrotated; the GUI gets GuiLightDirections().
  void SetLightDirections(const LightDirections& directions) { lightDirections_ = directions; }

  // Applies the configured defaults (values as read, any range) and posts the default screen's command.
  void SetDefaults(std::int32_t defaultStereoMode, std::int32_t defaultScreenType);

  // The menu paths: each moves its group's check mark and sets LayoutChanged as the item does.
  void SelectStereoMode(StereoMode mode);
  void SelectScreenType(ScreenType type);
  void SelectVideo3DType(Video3DType type);
  // Stores the 3D type and sets LayoutChanged, only outside Mono2D.
  void SetVideo3DType(Video3DType type);

  // Any value; one outside the table keeps the current model and shows nothing.
  void SetScreenType(ScreenType type);
  void SetStereoFlip();
  void SetScreenPlacement(bool above);
  // One step of viewerSpeed x elapsedSeconds (the frame's elapsed time).
  void MoveViewerForward(float elapsedSeconds);
  void MoveViewerBackward(float elapsedSeconds);
  void ResetViewer();
  void ResetScreenPosition();
  // Scales the screen to the picture; false when the screen keeps its own shape and the
  // picture must be fitted with bars. Streaming thread, with FrameLock held.
  bool SetScreenAspect(float aspect);
  void ShowStatusText(const std::string& text);
  // Posts WM_COMMAND with this menu id, as a key does.
  void PostCommand(std::uint32_t menuId);

  // The scene switch: the theater's placement and speed, or back to the defaults.
  void EnterTheater(const TheaterPlacement& theater);
  void LeaveTheater();

  // Scale(screenScale x screenScaleFactor) . Translation(screenPosition) . placementRotation.
  toolkit::Matrix ScreenWorld() const;
  // The GUI follows the viewer and turns with the screen.
  toolkit::Matrix GuiParent() const;
  // The light directions as the GUI takes them for the current placement.
  LightDirections GuiLightDirections() const;

  // Any thread.
  StereoMode stereoMode() const { return stereoMode_.load(); }
  Video3DType video3DType() const { return video3DType_.load(); }
  bool layoutChanged() const { return layoutChanged_.load(); }
  // Streaming thread: clears LayoutChanged and tells whether it was set.
  bool TakeLayoutChanged() { return layoutChanged_.exchange(false); }
  // Any thread: the frame renderer rebuilds its textures before the next frame (a new file, a new layout).
  void MarkLayoutChanged() { layoutChanged_.exchange(true); }

  StereoFlip flip() const { return flip_; }
  // Any thread.
  ScreenType screenType() const { return screenType_.load(); }
  ScreenPlacement placement() const { return placement_; }
  // The model to draw; none until a screen is chosen.
  std::optional<ScreenType> currentScreenModel() const { return currentScreenModel_; }
  toolkit::Vector3 screenScale() const { return screenScale_; }
  float screenScaleFactor() const { return screenScaleFactor_; }
  toolkit::Vector3 screenPosition() const { return screenPosition_; }
  toolkit::Vector3 viewerPosition() const { return viewerPosition_; }
  toolkit::Vector3 viewerDirection() const { return viewerDirection_; }
  float viewerSpeed() const { return viewerSpeed_; }
  const toolkit::Matrix& placementRotation() const { return placementRotation_; }
  const LightDirections& lightDirections() const { return lightDirections_; }
  bool theaterActive() const { return theaterActive_; }
  const MenuChecks& menuChecks() const { return menuChecks_; }

 private:
  void MoveViewer(float elapsedSeconds, float sign);

  PostMessageFn post_;
  StatusTextFn showStatusText_;
  LightDirectionsFn setGuiLightDirections_;

  std::atomic<StereoMode> stereoMode_{StereoMode::Mono2D};
  std::atomic<Video3DType> video3DType_{Video3DType::HalfHalf};
  std::atomic<bool> layoutChanged_{false};
  StereoFlip flip_ = false;
  std::atomic<ScreenType> screenType_{ScreenType::Flat};  // read by SetScreenAspect
  ScreenPlacement placement_ = ScreenPlacement::InFront;
  std::optional<ScreenType> currentScreenModel_;
  toolkit::Vector3 screenScale_{16.0f / 9.0f, 1, 1};
  float screenScaleFactor_ = 1.0f;
  toolkit::Vector3 screenPosition_{0, 0, -10};
  toolkit::Vector3 viewerPosition_{0, 0, 0};
  toolkit::Vector3 viewerDirection_{0, 0, -1};
  float viewerSpeed_ = kViewerSpeed;
  toolkit::Matrix placementRotation_;
  LightDirections lightDirections_{};
  bool theaterActive_ = false;
  TheaterPlacement theater_;
  MenuChecks menuChecks_;
};

}  // namespace quela
