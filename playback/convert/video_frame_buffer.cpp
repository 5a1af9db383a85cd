#include "playback/convert/video_frame_buffer.h"

namespace quela {

std::mutex FrameLock;
VideoFrameBuffer videoFrameBuffer;

void VideoFrameBuffer::UpdateFrameTextures() {
  for (int b = 0; b < kFrameBufferCount; ++b) {
    for (int eye = 0; eye < kFrameViewCount; ++eye) frameTextures[b][eye] = views[b][viewCount == 1 ? 0 : eye];
  }
}

void VideoFrameBuffer::Present() {
  frontBuffer.exchange(backBuffer);
  backBuffer = 1 - backBuffer;
}

}  // namespace quela
