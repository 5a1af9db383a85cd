#pragma once
// Textured 2D quads in viewport pixels (origin at the top-left of the current
// viewport, y down), gathered between Begin and End and drawn in one draw call
// per run of sprites sharing a texture.
//
// Thread: the GL thread of the DeviceContext given at construction. Textures
// passed to Draw must stay alive until End.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "toolkit/common_states.h"
#include "toolkit/math.h"

namespace quela::toolkit {

class DeviceContext;
class Texture2D;

enum class SpriteSortMode : std::uint8_t {
  Deferred,     // in Draw order
  Immediate,    // each Draw is drawn at once
  Texture,      // grouped by texture (stable)
  BackToFront,  // descending layer depth (stable)
  FrontToBack,  // ascending layer depth (stable)
};

enum class SpriteEffects : std::uint8_t { None = 0, FlipHorizontally = 1, FlipVertically = 2, FlipBoth = 3 };

// Pixels of a texture; right and bottom exclusive.
struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;
};

class SpriteBatch {
 public:
  explicit SpriteBatch(DeviceContext& context);
  ~SpriteBatch();
  SpriteBatch(const SpriteBatch&) = delete;
  SpriteBatch& operator=(const SpriteBatch&) = delete;

  // Unset states take the defaults: AlphaBlend (premultiplied), LinearClamp,
  // DepthNone, CullNone. setCustomShaders runs after the batch set its states
  // and program, before each draw call. transform applies to the pixel
  // positions before they are mapped to the viewport. Throws std::logic_error
  // when a batch is already begun.
  void Begin(SpriteSortMode sortMode = SpriteSortMode::Deferred, std::optional<BlendState> blend = {},
             std::optional<SamplerState> sampler = {}, std::optional<DepthStencilState> depth = {},
             std::optional<RasterizerState> rasterizer = {}, std::function<void()> setCustomShaders = {},
             const Matrix& transform = Matrix::Identity());

  // At `position` (pixels), the `source` rectangle of the texture (null = all)
  // tinted by `color`, rotated clockwise by `rotation` radians about `origin`
  // (source pixels), scaled by `scale`. layerDepth: 0..1, used by the sort
  // modes and written as depth. Throws std::logic_error outside Begin/End.
  void Draw(const Texture2D& texture, Vector2 position, const Rect* source = nullptr, Color color = kWhite,
            float rotation = 0, Vector2 origin = {}, Vector2 scale = {1, 1},
            SpriteEffects effects = SpriteEffects::None, float layerDepth = 0);
  // Stretched onto `destination` (pixels).
  void Draw(const Texture2D& texture, const Rect& destination, const Rect* source = nullptr,
            Color color = kWhite, float rotation = 0, Vector2 origin = {},
            SpriteEffects effects = SpriteEffects::None, float layerDepth = 0);

  // Draws what was gathered. Throws std::logic_error without Begin.
  void End();

  // GL draw calls made from the last Begin through its End: in Immediate mode each Draw makes its own
  // (statistics for tests and benchmarks).
  std::size_t drawCallsInLastEnd() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace quela::toolkit
