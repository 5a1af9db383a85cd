#pragma once
// The program's own ShellParts: the real subsystems on the real platform.
#include "app/shell/shell_parts.h"
#include <atomic>
#include <memory>

#include "hmd/oculus.h"
#include "playback/graph/playback_graph.h"
#include "playback/renderer/d2d_renderer.h"
#include "playback/sink/d2d_video_render.h"
#include "playback/sink/video_sink_element.h"
#include "platform/sdl_shared_context.h"
#include "platform/sdl_platform.h"
#include "render/directx.h"

namespace quela {

class ProductionParts : public ShellParts {
 public:
  explicit ProductionParts(SdlPlatform& platform);
  ~ProductionParts() override;

  void AttachWindow(WindowServices& window) override;
  bool CreateHMD(bool simulated) override;
  bool InitInstance(const std::string& windowTitle) override;
  bool InitializeGraphics(const cConfig& config) override;
  bool InitializeHMD() override;
  bool CreateRendererFilter() override;
  bool RegisterRendererFilterClass() override;
  bool RegisterRendererFilterProxy() override;
  void SetSvpEnabled(bool enabled) override;
  void ScheduleSceneLoad() override;

  bool PreRender(float frameTime) override;
  void Render() override;
  void PollGamepad() override;
  bool IsMinimised() override;
  void Sleep(int ms) override;
  double RuntimeSeconds() override;

  bool HandleCommand(std::uint32_t commandId) override;
  bool HandleKey(std::uint32_t virtualKey, bool down, float frameDelta) override;
  bool GraphBusy() override;
  bool OnPlaybackMessage(const Msg& msg, bool loopEnabled, const std::string& currentFilePath) override;
  void OpenFile(const std::string& path) override;
  void DestroyWindow() override;
  bool SaveScreenshot(const std::string& path, ScreenshotImage image) override;
  void SetHeadPose(float yawDegrees, float pitchDegrees, float rollDegrees) override;
  void ShowMessageBox(const std::string& title, const std::string& text) override;

  void ReleaseCursor() override;
  void TeardownGraph() override;
  void ReleaseRendererFilter() override;
  void RevokeRendererFilterClass() override;
  void ReleaseGraphics() override;
  void DestroyHMD() override;

 private:
  SdlPlatform& platform_;
  cOculus oculus_;
  cDirectX directx_;
  // The sink's figures for the line logged when a file's graph is torn down.
  struct SinkFigures : SinkStatistics {
    CD2DVideoRender* sink = nullptr;
    QualityFigures FileFigures() override { return sink->Figures(); }
  };

  WindowServices* window_ = nullptr;
  const cConfig* config_ = nullptr;
  ElementRef videoSink_;  // the one renderer, reused for every file
  SinkFigures sinkFigures_;
  std::unique_ptr<PlaybackGraph> graph_;
  std::unique_ptr<SdlSharedContext> frameContext_;
  std::unique_ptr<CD2DRenderer> frameRenderer_;  // draws the sink's frames on the streaming thread
};

}  // namespace quela
