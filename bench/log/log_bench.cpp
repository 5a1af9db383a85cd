// Four threads log 100,000 lines each into a real log file. Reports the median and 99.9th percentile of
// the time one LOG statement takes on its thread, the lines per second from the first call until the
// worker has flushed the last line, and how many lines are missing from the file (must be 0).

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include "app/log/g2log.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

std::size_t countRecords(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  const std::string content = text.str();
  std::size_t count = 0;
  for (auto at = content.find("\tINFO ["); at != std::string::npos; at = content.find("\tINFO [", at + 1)) ++count;
  return count;
}

void BM_LogCallSite(benchmark::State& state) {
  const int threads = static_cast<int>(state.range(0));
  const int lines = static_cast<int>(state.range(1));
  std::string pattern = (fs::temp_directory_path() / "quela-log-bench-XXXXXX").string();
  const fs::path dir = mkdtemp(pattern.data());

  std::vector<double> nanos;
  double linesPerSecond = 0;
  std::size_t missing = 0;
  for (auto _ : state) {
    auto worker = g2::LogWorker::createWithDefaultLogger("Quela", dir.string());
    g2::initializeLogging(worker.get());
    std::vector<std::vector<double>> perThread(threads, std::vector<double>(lines));
    std::vector<std::thread> pool;
    const auto start = Clock::now();
    for (int t = 0; t < threads; ++t) {
      pool.emplace_back([t, lines, &perThread] {
        for (int i = 0; i < lines; ++i) {
          const auto before = Clock::now();
          LOG(INFO) << "bench thread " << t << " line " << i;
          perThread[t][i] = std::chrono::duration<double, std::nano>(Clock::now() - before).count();
        }
      });
    }
    for (auto& thread : pool) thread.join();
    worker->flush();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    g2::detachLogging();

    linesPerSecond = threads * lines / seconds;
    missing = threads * static_cast<std::size_t>(lines) - countRecords(worker->logFilePath());
    for (const auto& each : perThread) nanos.insert(nanos.end(), each.begin(), each.end());
  }
  fs::remove_all(dir);

  std::sort(nanos.begin(), nanos.end());
  state.counters["median_ns"] = nanos[nanos.size() / 2];
  state.counters["p99.9_ns"] = nanos[nanos.size() * 999 / 1000];
  state.counters["max_ns"] = nanos.back();
  state.counters["lines_per_s"] = linesPerSecond;
  state.counters["lines_lost"] = static_cast<double>(missing);
}

BENCHMARK(BM_LogCallSite)->Args({4, 100'000})->Iterations(1)->Repetitions(3)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
