#include "app/production_parts.h"

#include <chrono>

#include "app/log/g2log.h"

namespace quela {

ProductionParts::ProductionParts(SdlPlatform& platform) : platform_(platform) {}

// No headset runtime is linked into this build yet: no headset can be opened.
bool ProductionParts::CreateHMD(bool) { return false; }

bool ProductionParts::InitInstance(const std::string& windowTitle) {
  return platform_.CreateMainWindow(windowTitle, 960, 540);
}

bool ProductionParts::InitializeGraphics() { return false; }
bool ProductionParts::InitializeHMD() { return false; }
bool ProductionParts::CreateRendererFilter() { return false; }
bool ProductionParts::RegisterRendererFilterClass() { return false; }
bool ProductionParts::RegisterRendererFilterProxy() { return false; }
void ProductionParts::SetSvpEnabled(bool) {}
void ProductionParts::ScheduleSceneLoad() {}

bool ProductionParts::PreRender() { return false; }
void ProductionParts::Render() {}
void ProductionParts::PollGamepad() {}
bool ProductionParts::IsMinimised() { return platform_.IsMinimised(); }
void ProductionParts::Sleep(int ms) { SdlPlatform::Sleep(ms); }

double ProductionParts::RuntimeSeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

bool ProductionParts::GraphBusy() { return false; }
void ProductionParts::OpenFile(const std::string&) {}
void ProductionParts::DestroyWindow() { platform_.HideWindow(); }
bool ProductionParts::SaveScreenshot(const std::string&, ScreenshotImage) { return false; }

void ProductionParts::ShowMessageBox(const std::string& title, const std::string& text) {
  if (platform_.Headless()) LOG(WARNING) << title << ": " << text;
  platform_.ShowMessageBox(title, text);
}

void ProductionParts::ReleaseCursor() {}
void ProductionParts::TeardownGraph() {}
void ProductionParts::ReleaseRendererFilter() {}
void ProductionParts::RevokeRendererFilterClass() {}
void ProductionParts::ReleaseGraphics() { platform_.DestroyMainWindow(); }
void ProductionParts::DestroyHMD() {}

}  // namespace quela
