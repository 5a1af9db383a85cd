#include "ovr/distortion_mesh.h"

#include <algorithm>
#include <cmath>

#include "ovr/fov_math.h"

namespace quela::ovr {
namespace {

// Distance to the nearest edge of the -1..1 square; negative outside.
float EdgeDistance(ovrVector2f ndc) { return 1.0f - std::max(std::fabs(ndc.x), std::fabs(ndc.y)); }

// Grid lines across `pixels` output pixels, as NDC from -1 to 1. Very large outputs get wider cells,
// so that both eyes' vertices stay addressable by 16-bit indices.
std::vector<float> GridLines(int pixels) {
  constexpr int kMaxCells = 180;
  const int cell = std::max(kMeshCellPixels, (pixels + kMaxCells - 1) / kMaxCells);
  std::vector<float> lines;
  for (int at = 0; at < pixels; at += cell) lines.push_back(-1.0f + 2.0f * at / pixels);
  lines.push_back(1.0f);
  return lines;
}

// A cell of the grid: columns and rows of grid cells, from (col, row).
struct CellSpan {
  int col, row, columns, rows;
};

// Cells of up to kMaxCellSpan x kMaxCellSpan grid cells where one pair of triangles follows the
// lens closely enough and the cell is wholly bright or wholly outside the image; elsewhere the
// grid's own cells. The larger cells' edges run along grid lines, so where they meet smaller ones
// the extra vertices lie exactly on their edges and no pixel falls between.
class CellSplitter {
 public:
  CellSplitter(const DistortionMesh& mesh, const std::vector<float>& sourceEdge, const ovrFovPort& fov,
               ovrSizei eyePixels)
      : mesh_(mesh),
        sourceEdge_(sourceEdge),
        fov_(fov),
        // Half an output pixel, as NDC of the eye image.
        tolerance_{1.0f / std::max(eyePixels.w, 1), 1.0f / std::max(eyePixels.h, 1)} {}

  void Emit(const CellSpan& cell, std::vector<std::uint16_t>& bright, std::vector<std::uint16_t>& fading,
            std::vector<std::uint16_t>& outside) const {
    const Kind kind = KindOf(cell);
    const bool single = cell.columns == 1 && cell.rows == 1;
    // Black cells show nothing of the lens; bright ones must follow it.
    if (single || kind == Kind::kOutside || (kind == Kind::kBright && FollowsTheLens(cell))) {
      const std::uint16_t a = At(cell.row, cell.col), b = At(cell.row, cell.col + cell.columns),
                          c = At(cell.row + cell.rows, cell.col + cell.columns), d = At(cell.row + cell.rows, cell.col);
      std::vector<std::uint16_t>& into = kind == Kind::kOutside ? outside : kind == Kind::kBright ? bright : fading;
      into.insert(into.end(), {a, b, c, a, c, d});
      return;
    }
    const int left = std::max(1, cell.columns / 2), bottom = std::max(1, cell.rows / 2);
    for (const CellSpan& part : {CellSpan{cell.col, cell.row, left, bottom},
                                 CellSpan{cell.col + left, cell.row, cell.columns - left, bottom},
                                 CellSpan{cell.col, cell.row + bottom, left, cell.rows - bottom},
                                 CellSpan{cell.col + left, cell.row + bottom, cell.columns - left, cell.rows - bottom}}) {
      if (part.columns > 0 && part.rows > 0) Emit(part, bright, fading, outside);
    }
  }

 private:
  enum class Kind { kBright, kFading, kOutside };

  std::uint16_t At(int row, int col) const { return static_cast<std::uint16_t>(row * (mesh_.columns + 1) + col); }

  // Outside when every vertex samples outside the image, bright when none is dimmed; a larger cell
  // asks that of every grid vertex it covers.
  Kind KindOf(const CellSpan& cell) const {
    bool dark = true, bright = true;
    for (int r = cell.row; r <= cell.row + cell.rows; ++r) {
      for (int c = cell.col; c <= cell.col + cell.columns; ++c) {
        dark = dark && sourceEdge_[At(r, c)] <= 0;
        bright = bright && mesh_.vertices[At(r, c)].vignette >= 1.0f;
      }
    }
    return dark ? Kind::kOutside : bright ? Kind::kBright : Kind::kFading;
  }

  // Whether the cell's two triangles (a, b, c) and (a, c, d) put every grid vertex inside it within
  // the tolerance of where the lens puts it, in each colour channel.
  bool FollowsTheLens(const CellSpan& cell) const {
    const DistortionVertex& a = mesh_.vertices[At(cell.row, cell.col)];
    const DistortionVertex& b = mesh_.vertices[At(cell.row, cell.col + cell.columns)];
    const DistortionVertex& c = mesh_.vertices[At(cell.row + cell.rows, cell.col + cell.columns)];
    const DistortionVertex& d = mesh_.vertices[At(cell.row + cell.rows, cell.col)];
    for (int r = 0; r <= cell.rows; ++r) {
      for (int k = 0; k <= cell.columns; ++k) {
        const float fx = static_cast<float>(k) / cell.columns, fy = static_cast<float>(r) / cell.rows;
        const DistortionVertex& corner = fx >= fy ? b : d;
        const float u = std::fabs(fx - fy), w = std::min(fx, fy);
        const DistortionVertex& exact = mesh_.vertices[At(cell.row + r, cell.col + k)];
        for (ovrVector2f DistortionVertex::*channel :
             {&DistortionVertex::tanRed, &DistortionVertex::tanGreen, &DistortionVertex::tanBlue}) {
          const ovrVector2f tangent{(a.*channel).x + u * ((corner.*channel).x - (a.*channel).x) +
                                        w * ((c.*channel).x - (a.*channel).x),
                                    (a.*channel).y + u * ((corner.*channel).y - (a.*channel).y) +
                                        w * ((c.*channel).y - (a.*channel).y)};
          const ovrVector2f got = TangentToNdc(fov_, tangent), want = TangentToNdc(fov_, exact.*channel);
          if (std::fabs(got.x - want.x) > tolerance_.x || std::fabs(got.y - want.y) > tolerance_.y) return false;
        }
      }
    }
    return true;
  }

  const DistortionMesh& mesh_;
  const std::vector<float>& sourceEdge_;
  const ovrFovPort& fov_;
  const ovrVector2f tolerance_;
};

}  // namespace

DistortionMesh BuildDistortionMesh(const LensModel& lens, ovrEyeType eye, const ovrFovPort& fov,
                                   ovrSizei eyePixels) {
  const std::vector<float> xs = GridLines(std::max(eyePixels.w, 1));
  const std::vector<float> ys = GridLines(std::max(eyePixels.h, 1));
  DistortionMesh mesh;
  mesh.columns = static_cast<int>(xs.size()) - 1;
  mesh.rows = static_cast<int>(ys.size()) - 1;
  mesh.vertices.reserve(xs.size() * ys.size());
  std::vector<float> sourceEdge;  // how far inside the eye image the widest channel samples
  sourceEdge.reserve(xs.size() * ys.size());
  for (float y : ys) {
    for (float x : xs) {
      const ovrVector2f panel{x, y};
      const ChannelTangents t = lens.TangentsAt(eye, panel);
      const float source = std::min({EdgeDistance(TangentToNdc(fov, t.red)),
                                     EdgeDistance(TangentToNdc(fov, t.green)),
                                     EdgeDistance(TangentToNdc(fov, t.blue))});
      sourceEdge.push_back(source);
      const float vignette = std::min(source, EdgeDistance(panel)) / kVignetteBorder;
      mesh.vertices.push_back({panel, t.red, t.green, t.blue, vignette});
    }
  }
  const CellSplitter splitter{mesh, sourceEdge, fov, eyePixels};
  std::vector<std::uint16_t> fading, outside;
  for (int row = 0; row < mesh.rows; row += kMaxCellSpan) {
    for (int col = 0; col < mesh.columns; col += kMaxCellSpan) {
      splitter.Emit({col, row, std::min(kMaxCellSpan, mesh.columns - col), std::min(kMaxCellSpan, mesh.rows - row)},
                    mesh.indices, fading, outside);
    }
  }
  mesh.brightIndexCount = mesh.indices.size();
  mesh.indices.insert(mesh.indices.end(), fading.begin(), fading.end());
  mesh.outsideIndexCount = outside.size();
  mesh.indices.insert(mesh.indices.end(), outside.begin(), outside.end());
  return mesh;
}

}  // namespace quela::ovr
