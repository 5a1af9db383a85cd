#pragma once
// The frame renderer's own GL context: created by the platform layer in the
// share group of the main context, on a hidden surface of its own, so the view
// textures it draws are textures of the main context too.
namespace quela {

class SharedGlContext {
 public:
  virtual ~SharedGlContext() = default;
  // Makes the context current on the calling thread; false when it cannot be.
  // At most one thread at a time holds it current. Any thread.
  virtual bool MakeCurrent() = 0;
  // Ends the calling thread's MakeCurrent and gives the thread back the context
  // it had current before (none on a streaming thread). Commands issued so far
  // are flushed. The thread that called MakeCurrent.
  virtual void ReleaseCurrent() = 0;
};

}  // namespace quela
