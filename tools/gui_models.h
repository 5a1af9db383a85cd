#pragma once
// The in-headset panel's models, loaded as "Models/" + file name: seven
// controls and the plane that carries the two text lines.
//
// Each model is shaped for the panel's fixed layout: its draw rotation turns
// its front toward the viewer, its draw scale brings it to the size it is
// designed at, and its bounding sphere (radius x hit scale) covers what is
// drawn, because the GUI moves the sphere's centre onto the draw position.
#include <array>
#include <string_view>
#include <vector>

#include "toolkit/formats/cmo.h"
#include "tools/vec3.h"

namespace quela::tools {

enum class GuiModel { Cursor, Loop, Surround, Play, Pause, SeekBar, SeekThumb, TextQuad };

struct GuiModelInfo {
  GuiModel model;
  std::string_view fileName;
  // Where it is drawn at rest, viewer at the origin; the cursor's is amid the
  // controls, in the band the GUI keeps it to.
  Vec3 position;
  RollPitchYaw rotation;
  Vec3 drawScale;
  float hitScale;       // applied to the bounding sphere at load; 0 = no hit volume
};

// The panel plane lies at z = -5; the text lines 1.1 further away.
inline constexpr float kPanelDepth = -5.0f;
inline constexpr float kTextDepth = kPanelDepth - 1.1f;
inline constexpr float kQuarterTurn = 1.5707964f;

inline constexpr std::array<GuiModelInfo, 8> kGuiModels{{
    {GuiModel::Cursor, "mouseCursor.cmo", {0, -4.0f, kPanelDepth}, {-kQuarterTurn / 2, 0, 0}, {0.25f, 0.25f, 0.25f}, 0.25f},
    {GuiModel::Loop, "buttonLoop.cmo", {3.7f, -5.0f, kPanelDepth}, {0, kQuarterTurn, -kQuarterTurn / 2}, {0.15f, 0.15f, 0.25f}, 0.15f},
    {GuiModel::Surround, "buttonSurround1.cmo", {-2.0235f, -4.0f, kPanelDepth}, {kQuarterTurn / 2, 0, 0}, {0.25f, 0.25f, 0.25f}, 0.25f},
    {GuiModel::Play, "buttonPlay.cmo", {-2.0235f, -4.0f, kPanelDepth}, {0, 4.625122547f, -kQuarterTurn / 2}, {0.25f, 0.25f, 0.25f}, 0.25f},
    {GuiModel::Pause, "buttonPause.cmo", {-2.0235f, -4.0f, kPanelDepth}, {0, 4.625122547f, -kQuarterTurn / 2}, {0.25f, 0.25f, 0.25f}, 0.25f},
    {GuiModel::SeekBar, "seekBar.cmo", {1.3f, -4.0f, kPanelDepth}, {0, 0, 0}, {2.5f, 2.5f, 2.5f}, 2.5f},
    {GuiModel::SeekThumb, "buttonSeekBar.cmo", {-1.0f, -4.0f, kPanelDepth}, {0, 0, kQuarterTurn}, {2.5f, 2.5f, 2.5f}, 2.5f},
    {GuiModel::TextQuad, "quad.cmo", {2.35f, -4.1f, kTextDepth}, {0, 0, 0}, {0.5625f, 0.125f, 1.0f}, 0},
}};

// The seek thumb travels along x from the start to the end of the video.
inline constexpr float kSeekStartX = -1.0f;
inline constexpr float kSeekEndX = 3.7f;
// The text textures the quad carries, in texels.
inline constexpr float kTextTextureWidth = 1280.0f;
inline constexpr float kTextTextureHeight = 100.0f;

std::vector<toolkit::CmoMesh> BuildGuiModel(GuiModel model);

}  // namespace quela::tools
