#pragma once
// GPU ordering between the frame renderer's context and the render loop's, per
// buffer of VideoFrameBuffer. Contexts do not order each other's commands: the
// render loop must not sample a view texture before the streaming thread's
// drawing into it has executed, and the streaming thread must not draw into a
// buffer again before the render loop's reads of it have executed. Neither side
// waits on the CPU; each waits inside its own command stream.
//
// The render loop, holding FrameLock with the main context current:
//   const int front = videoFrameBuffer.frontBuffer.load();
//   frameFences.WaitForDrawing(front);   // before the first draw that samples it
//   ... draw the eyes ...
//   frameFences.MarkRead(front);         // after the last such draw, before unlocking
// Every function runs under FrameLock on a thread whose current context is in
// the share group; the fences are GL sync objects of that group.
namespace quela {

class FrameFences {
 public:
  static constexpr int kBuffers = 2;

  FrameFences() = default;
  FrameFences(const FrameFences&) = delete;
  FrameFences& operator=(const FrameFences&) = delete;

  // Streaming thread: the drawing commands issued so far into buffer are fenced and flushed.
  void MarkDrawn(int buffer);
  // Render loop: its later commands wait until buffer's drawing has executed.
  void WaitForDrawing(int buffer) const;
  // Render loop: its reads of buffer issued so far are fenced and flushed.
  void MarkRead(int buffer);
  // Streaming thread: its later commands wait until the reads of buffer have executed.
  void WaitForReaders(int buffer) const;
  // Deletes every fence; while a context of the group is current.
  void Release();

 private:
  // GLsync handles, kept opaque so this header needs no GL header.
  void* drawn_[kBuffers] = {};
  void* read_[kBuffers] = {};
};

extern FrameFences frameFences;

}  // namespace quela
