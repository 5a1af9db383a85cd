// Conversion time per frame: our converters beside libyuv and OpenCV on the same
// frames, and the table arithmetic written plainly. ./playback_convert_bench
// All times are wall-clock; OpenCV runs on its worker threads as well as on one.
// quela_per_libyuv/* runs ours and libyuv in turns and reports the ratio.
#include <benchmark/benchmark.h>
#include <libyuv/convert_argb.h>
#include <libyuv/planar_functions.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <string>
#include <vector>

#include "playback/convert/convert_kernels.h"
#include "playback/convert/frame_converter.h"
#include "bench/playback_convert/yuv_tables.h"

namespace quela {
namespace {

struct Size {
  int width, height;
  std::string Name() const { return std::to_string(width) + "x" + std::to_string(height); }
};
constexpr Size kSizes[] = {{1920, 1080}, {3840, 2160}};

struct Format {
  const char* name;
  PixelFormat format;
  int rgbPadding;  // RGB32 rows are padded so that the converter has to copy them
};
constexpr Format kFormats[] = {{"NV12", PixelFormat::kNV12, 0},     {"YV12", PixelFormat::kYV12, 0},
                               {"I420", PixelFormat::kI420, 0},     {"IYUV", PixelFormat::kIYUV, 0},
                               {"YUY2", PixelFormat::kYUY2, 0},     {"RGB555", PixelFormat::kRGB555, 0},
                               {"RGB565", PixelFormat::kRGB565, 0}, {"RGB24", PixelFormat::kRGB24, 0},
                               {"RGB32", PixelFormat::kRGB32, 64}};

// A compact frame of pseudo-random bytes: planes one after another, rows exactly their width.
struct Frame {
  Frame(PixelFormat format, Size size, int padding = 0) : w(size.width), h(size.height) {
    const bool yuv420 = format == PixelFormat::kNV12 || format == PixelFormat::kYV12 ||
                        format == PixelFormat::kI420 || format == PixelFormat::kIYUV;
    const int bytesPerPixel = format == PixelFormat::kRGB24 ? 3 : format == PixelFormat::kRGB32 ? 4 : 2;
    stride = yuv420 ? w : w * bytesPerPixel + padding;
    bytes.resize(yuv420 ? static_cast<std::size_t>(w) * h * 3 / 2 : static_cast<std::size_t>(stride) * h);
    std::uint32_t seed = 12345;
    for (auto& b : bytes) b = static_cast<std::uint8_t>((seed = seed * 1664525u + 1013904223u) >> 24);
    planes.data[0] = bytes.data();
    planes.stride[0] = stride;
    if (format == PixelFormat::kNV12) {
      planes.data[1] = Chroma(0);
      planes.stride[1] = w;
    } else if (yuv420) {
      planes.data[1] = Chroma(0);
      planes.data[2] = Chroma(w * h / 4);
      planes.stride[1] = planes.stride[2] = w / 2;
    }
    out.resize(static_cast<std::size_t>(w) * h * 4);
  }
  std::uint8_t* Chroma(std::size_t offset) { return bytes.data() + static_cast<std::size_t>(w) * h + offset; }

  int w, h, stride;
  std::vector<std::uint8_t> bytes, out;
  FramePlanes planes;
};

void Run(benchmark::State& state, const std::function<void()>& convert, std::size_t outBytes) {
  for (auto _ : state) {
    convert();
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * outBytes));
}

void Quela(benchmark::State& state, Format format, Size size) {
  Frame frame(format.format, size, format.rgbPadding);
  FrameConverter converter;
  converter.Setup({format.format, size.width, size.height});
  Run(state, [&] { benchmark::DoNotOptimize(converter.Convert(frame.planes)); }, frame.out.size());
}

void QuelaSse2(benchmark::State& state, PixelFormat format, Size size) {
  Frame f(format, size);
  const ConvertKernels& k = Sse2Kernels();
  if (format == PixelFormat::kI420) {
    Run(state, [&] {
      k.planar420(f.planes.data[0], f.w, f.planes.data[1], f.w / 2, f.planes.data[2], f.w / 2, f.out.data(), f.w * 4,
                  f.w, f.h);
    }, f.out.size());
  } else {
    Run(state, [&] { k.packed422(f.bytes.data(), f.stride, f.out.data(), f.w * 4, f.w, f.h); }, f.out.size());
  }
}

// The I420 table arithmetic as plainly as it reads: the figure the fast paths must match.
void PlainTables(benchmark::State& state, Size size) {
  Frame f(PixelFormat::kI420, size);
  const YuvTables& t = kYuvTables;
  const std::uint8_t* clip = t.clip + kClipOffset;
  Run(state, [&] {
    for (int row = 0; row < f.h; ++row) {
      for (int x = 0; x < f.w; ++x) {
        const int c = row / 2 * (f.w / 2) + x / 2;
        const int y = t.y[f.planes.data[0][row * f.w + x]], u = f.planes.data[1][c], v = f.planes.data[2][c];
        std::uint8_t* p = f.out.data() + (row * f.w + x) * 4;
        p[0] = clip[(y + t.cbToBlue[u]) >> 16];
        p[1] = clip[(y - t.cbToGreen[u] - t.crToGreen[v]) >> 16];
        p[2] = clip[(y + t.crToRed[v]) >> 16];
        p[3] = 255;
      }
    }
  }, f.out.size());
}

PixelFormat LibyuvFormat(const std::string& name) {
  return name == "I420ToARGB"       ? PixelFormat::kI420
         : name == "NV12ToARGB"     ? PixelFormat::kNV12
         : name == "YUY2ToARGB"     ? PixelFormat::kYUY2
         : name == "RGB565ToARGB"   ? PixelFormat::kRGB565
         : name == "ARGB1555ToARGB" ? PixelFormat::kRGB555
         : name == "RGB24ToARGB"    ? PixelFormat::kRGB24
                                    : PixelFormat::kRGB32;
}

// libyuv's conversion of f, a frame in LibyuvFormat(name), into out (w x h BGRA).
std::function<void()> LibyuvConversion(const std::string& name, Frame& f, std::uint8_t* out) {
  const auto& p = f.planes;
  const int os = f.w * 4, s = static_cast<int>(p.stride[0]);
  switch (LibyuvFormat(name)) {
    case PixelFormat::kI420:
      return [=, &f] { libyuv::I420ToARGB(p.data[0], s, p.data[1], f.w / 2, p.data[2], f.w / 2, out, os, f.w, f.h); };
    case PixelFormat::kNV12:
      return [=, &f] { libyuv::NV12ToARGB(p.data[0], s, p.data[1], f.w, out, os, f.w, f.h); };
    case PixelFormat::kYUY2: return [=, &f] { libyuv::YUY2ToARGB(p.data[0], s, out, os, f.w, f.h); };
    case PixelFormat::kRGB565: return [=, &f] { libyuv::RGB565ToARGB(p.data[0], s, out, os, f.w, f.h); };
    case PixelFormat::kRGB555: return [=, &f] { libyuv::ARGB1555ToARGB(p.data[0], s, out, os, f.w, f.h); };
    case PixelFormat::kRGB24: return [=, &f] { libyuv::RGB24ToARGB(p.data[0], s, out, os, f.w, f.h); };
    default: return [=, &f] { libyuv::ARGBCopy(p.data[0], s, out, os, f.w, f.h); };
  }
}

void Libyuv(benchmark::State& state, const char* name, Size size) {
  Frame f(LibyuvFormat(name), size);
  Run(state, LibyuvConversion(name, f, f.out.data()), f.out.size());
}

// Ours and libyuv in turns on the same frames, so that both meet the same load
// on a shared machine: per iteration, our best of ten over libyuv's best of ten;
// the counter is the median of those ratios.
void AgainstLibyuv(benchmark::State& state, Format format, const char* name, Size size) {
  Frame f(format.format, size);
  FrameConverter converter;
  converter.Setup({format.format, size.width, size.height});
  // Both read the same frame and write the same memory, the converter's output:
  // two sets of buffers would crowd each other out of the cache.
  std::uint8_t* out = const_cast<std::uint8_t*>(converter.Convert(f.planes));
  const std::function<void()> libyuv = LibyuvConversion(name, f, out);
  const auto bestOfTen = [](const std::function<void()>& convert) {
    double best = 1e30;
    for (int i = 0; i < 10; ++i) {
      const auto start = std::chrono::steady_clock::now();
      convert();
      best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
  };
  std::vector<double> ratios;
  for (auto _ : state) {
    const double own = bestOfTen([&] { benchmark::DoNotOptimize(converter.Convert(f.planes)); });
    ratios.push_back(own / bestOfTen(libyuv));
  }
  std::sort(ratios.begin(), ratios.end());
  state.counters["ours_per_libyuv"] = ratios[ratios.size() / 2];
}

void OpenCv(benchmark::State& state, PixelFormat format, int code, Size size, int threads) {
  Frame f(format, size);
  const bool yuv420 = f.bytes.size() == static_cast<std::size_t>(f.w) * f.h * 3 / 2;
  const cv::Mat src = yuv420 ? cv::Mat(f.h * 3 / 2, f.w, CV_8UC1, f.bytes.data())
                             : cv::Mat(f.h, f.w, format == PixelFormat::kRGB24 ? CV_8UC3 : CV_8UC2, f.bytes.data());
  cv::Mat dst(f.h, f.w, CV_8UC4, f.out.data());
  const int before = cv::getNumThreads();
  cv::setNumThreads(threads);
  Run(state, [&] { cv::cvtColor(src, dst, code); }, f.out.size());
  cv::setNumThreads(before);
}

void RegisterAll() {
  auto add = [](const std::string& name, auto fn) {
    benchmark::RegisterBenchmark(name.c_str(), fn)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(0.5);
  };
  for (const Size& size : kSizes) {
    const std::string at = "/" + size.Name();
    for (const Format& format : kFormats) {
      add("quela/" + std::string(format.name) + at, [=](benchmark::State& s) { Quela(s, format, size); });
    }
    add("quela_sse2/I420" + at, [=](benchmark::State& s) { QuelaSse2(s, PixelFormat::kI420, size); });
    add("quela_sse2/YUY2" + at, [=](benchmark::State& s) { QuelaSse2(s, PixelFormat::kYUY2, size); });
    add("plain_tables/I420" + at, [=](benchmark::State& s) { PlainTables(s, size); });
    for (const char* name :
         {"I420ToARGB", "NV12ToARGB", "YUY2ToARGB", "ARGB1555ToARGB", "RGB565ToARGB", "RGB24ToARGB", "ARGBCopy"}) {
      add("libyuv/" + std::string(name) + at, [=](benchmark::State& s) { Libyuv(s, name, size); });
    }
    // YV12 beside I420ToARGB: libyuv's YV12 is I420 with the chroma planes exchanged.
    const struct {
      Format format;
      const char* libyuv;
    } against[] = {{kFormats[2], "I420ToARGB"},   {kFormats[1], "I420ToARGB"},     {kFormats[0], "NV12ToARGB"},
                   {kFormats[4], "YUY2ToARGB"},   {kFormats[5], "ARGB1555ToARGB"}, {kFormats[6], "RGB565ToARGB"},
                   {kFormats[7], "RGB24ToARGB"}};
    for (const auto& pair : against) {
      benchmark::RegisterBenchmark(("quela_per_libyuv/" + std::string(pair.format.name) + at).c_str(),
                                   [=](benchmark::State& s) { AgainstLibyuv(s, pair.format, pair.libyuv, size); })
          ->Iterations(25)
          ->Unit(benchmark::kMillisecond)
          ->UseRealTime();
    }
    const struct {
      const char* name;
      PixelFormat format;
      int code;
    } opencv[] = {{"NV12", PixelFormat::kNV12, cv::COLOR_YUV2BGRA_NV12},
                  {"YV12", PixelFormat::kYV12, cv::COLOR_YUV2BGRA_YV12},
                  {"I420", PixelFormat::kI420, cv::COLOR_YUV2BGRA_I420},
                  {"YUY2", PixelFormat::kYUY2, cv::COLOR_YUV2BGRA_YUY2},
                  {"BGR555", PixelFormat::kRGB555, cv::COLOR_BGR5552BGRA},
                  {"BGR565", PixelFormat::kRGB565, cv::COLOR_BGR5652BGRA},
                  {"BGR", PixelFormat::kRGB24, cv::COLOR_BGR2BGRA}};
    for (const auto& o : opencv) {
      for (int threads : {cv::getNumThreads(), 1}) {
        add("opencv_" + std::to_string(threads) + "thread/" + o.name + at,
            [=](benchmark::State& s) { OpenCv(s, o.format, o.code, size, threads); });
      }
    }
  }
}

}  // namespace
}  // namespace quela

int main(int argc, char** argv) {
  quela::RegisterAll();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
}
