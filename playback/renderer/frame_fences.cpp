#include "playback/renderer/frame_fences.h"

#include <epoxy/gl.h>

#include <initializer_list>

namespace quela {
namespace {

void Replace(void*& slot) {
  if (slot) glDeleteSync(static_cast<GLsync>(slot));
  slot = glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
  // A fence another context waits on must reach the GPU, else the wait may never end.
  glFlush();
}

void Wait(void* slot) {
  if (slot) glWaitSync(static_cast<GLsync>(slot), 0, GL_TIMEOUT_IGNORED);
}

bool Valid(int buffer) { return buffer >= 0 && buffer < FrameFences::kBuffers; }

}  // namespace

FrameFences frameFences;

void FrameFences::MarkDrawn(int buffer) {
  if (Valid(buffer)) Replace(drawn_[buffer]);
}

void FrameFences::WaitForDrawing(int buffer) const {
  if (Valid(buffer)) Wait(drawn_[buffer]);
}

void FrameFences::MarkRead(int buffer) {
  if (Valid(buffer)) Replace(read_[buffer]);
}

void FrameFences::WaitForReaders(int buffer) const {
  if (Valid(buffer)) Wait(read_[buffer]);
}

void FrameFences::Release() {
  for (int b = 0; b < kBuffers; ++b) {
    for (void** slot : {&drawn_[b], &read_[b]}) {
      if (*slot) glDeleteSync(static_cast<GLsync>(*slot));
      *slot = nullptr;
    }
  }
}

}  // namespace quela
