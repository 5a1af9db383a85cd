#pragma once
// A small pool of worker threads for the seek tasks, so a seek's waits never
// stall the main thread. Tasks may run concurrently and in any order.
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace quela {

class TaskPool {
 public:
  explicit TaskPool(int threads);
  // Runs the tasks already scheduled, then joins the threads. Not from a task.
  ~TaskPool();
  TaskPool(const TaskPool&) = delete;
  TaskPool& operator=(const TaskPool&) = delete;

  // Any thread.
  void Schedule(std::function<void()> task);
  // Returns when every task scheduled so far has finished. Not from a task.
  void WaitIdle();

 private:
  void Work();

  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable idle_;
  std::deque<std::function<void()>> tasks_;
  int running_ = 0;
  bool stopping_ = false;
  std::vector<std::thread> threads_;
};

}  // namespace quela
