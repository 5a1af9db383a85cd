#include "toolkit/sprite_batch.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <stdexcept>
#include <vector>

#include "toolkit/detail/object_epoch.h"
#include "toolkit/detail/shader_program.h"
#include "toolkit/device_context.h"
#include "toolkit/shaders/shader_sources.h"
#include "toolkit/texture.h"

namespace quela::toolkit {
namespace {

struct SpriteVertex {
  float x, y, z;
  Color color;
  float u, v;
};

// Top-left, top-right, bottom-left, bottom-right; two triangles 0-1-2, 1-3-2.
struct Sprite {
  const Texture2D* texture;
  float depth;
  SpriteVertex corners[4];
};

}  // namespace

struct SpriteBatch::Impl {
  explicit Impl(DeviceContext& c)
      : context(c), program("sprite batch", shaders::SpriteVertex(), shaders::SpritePixel()) {
    transformAt = program.Uniform("uTransform");
    clipAdjustAt = program.Uniform("uClipAdjust");
    textureAt = program.Uniform("uTexture");
    glGenVertexArrays(1, &vertexArray);
    detail::NoteObjectCreated();
    glGenBuffers(1, &vertexBuffer);
    glGenBuffers(1, &indexBuffer);
    context.BindVertexArray(vertexArray);
    glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer);
    constexpr GLsizei stride = sizeof(SpriteVertex);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<void*>(offsetof(SpriteVertex, x)));
    glEnableVertexAttribArray(1);
    glVertexAttribPointer(1, 4, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<void*>(offsetof(SpriteVertex, color)));
    glEnableVertexAttribArray(2);
    glVertexAttribPointer(2, 2, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<void*>(offsetof(SpriteVertex, u)));
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indexBuffer);
  }

  ~Impl() {
    glDeleteVertexArrays(1, &vertexArray);
    glDeleteBuffers(1, &vertexBuffer);
    glDeleteBuffers(1, &indexBuffer);
  }

  void EnsureIndices(std::size_t sprites) {
    if (sprites <= indexCapacity) return;
    std::size_t capacity = std::max<std::size_t>(indexCapacity * 2, 256);
    while (capacity < sprites) capacity *= 2;
    std::vector<GLuint> indices(capacity * 6);
    for (std::size_t i = 0; i < capacity; ++i) {
      const GLuint b = static_cast<GLuint>(i * 4);
      const GLuint quad[6] = {b, b + 1, b + 2, b + 1, b + 3, b + 2};
      std::copy(quad, quad + 6, indices.begin() + static_cast<std::ptrdiff_t>(i * 6));
    }
    context.BindVertexArray(vertexArray);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(indices.size() * sizeof(GLuint)), indices.data(),
                 GL_STATIC_DRAW);
    indexCapacity = capacity;
  }

  void Flush() {
    if (sprites.empty()) return;
    std::vector<std::size_t>& order = orderScratch;
    order.resize(sprites.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    auto by = [&](auto key) {
      std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return key(sprites[a], sprites[b]); });
    };
    switch (sortMode) {
      case SpriteSortMode::Texture: by([](const Sprite& a, const Sprite& b) { return a.texture->id() < b.texture->id(); }); break;
      case SpriteSortMode::BackToFront: by([](const Sprite& a, const Sprite& b) { return a.depth > b.depth; }); break;
      case SpriteSortMode::FrontToBack: by([](const Sprite& a, const Sprite& b) { return a.depth < b.depth; }); break;
      case SpriteSortMode::Deferred:
      case SpriteSortMode::Immediate: break;
    }
    vertices.clear();
    for (std::size_t i : order) vertices.insert(vertices.end(), sprites[i].corners, sprites[i].corners + 4);

    context.SetBlendState(blend);
    context.SetSamplerState(0, sampler);
    context.SetDepthStencilState(depth);
    context.SetRasterizerState(rasterizer);
    context.UseProgram(program.id());
    const Viewport& vp = context.GetViewport();
    Matrix toViewport;
    toViewport.m[0][0] = 2.0f / vp.width;
    toViewport.m[1][1] = -2.0f / vp.height;
    toViewport.m[3][0] = -1;
    toViewport.m[3][1] = 1;
    const Matrix total = transform * toViewport;
    glUniformMatrix4fv(transformAt, 1, GL_FALSE, &total.m[0][0]);
    const auto clip = context.ClipAdjust();
    glUniform3f(clipAdjustAt, clip[0], clip[1], clip[2]);
    glUniform1i(textureAt, 0);
    EnsureIndices(sprites.size());
    context.BindVertexArray(vertexArray);
    glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer);
    // Orphan the old storage so the driver need not wait for earlier draws.
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vertices.size() * sizeof(SpriteVertex)), nullptr, GL_STREAM_DRAW);
    glBufferSubData(GL_ARRAY_BUFFER, 0, static_cast<GLsizeiptr>(vertices.size() * sizeof(SpriteVertex)), vertices.data());
    if (setCustomShaders) setCustomShaders();

    std::size_t runStart = 0;
    for (std::size_t i = 1; i <= order.size(); ++i) {
      if (i < order.size() && sprites[order[i]].texture == sprites[order[runStart]].texture) continue;
      context.SetTexture(0, sprites[order[runStart]].texture);
      context.PrepareDraw();
      glDrawElements(GL_TRIANGLES, static_cast<GLsizei>((i - runStart) * 6), GL_UNSIGNED_INT,
                     reinterpret_cast<void*>(runStart * 6 * sizeof(GLuint)));
      ++drawCalls;
      runStart = i;
    }
    sprites.clear();
  }

  DeviceContext& context;
  detail::ShaderProgram program;
  int transformAt = -1, clipAdjustAt = -1, textureAt = -1;
  GLuint vertexArray = 0, vertexBuffer = 0, indexBuffer = 0;
  std::size_t indexCapacity = 0;

  bool begun = false;
  SpriteSortMode sortMode = SpriteSortMode::Deferred;
  BlendState blend;
  SamplerState sampler;
  DepthStencilState depth;
  RasterizerState rasterizer;
  std::function<void()> setCustomShaders;
  Matrix transform;
  std::vector<Sprite> sprites;
  std::vector<SpriteVertex> vertices;
  std::vector<std::size_t> orderScratch;
  std::size_t drawCalls = 0;
};

SpriteBatch::SpriteBatch(DeviceContext& context) : impl_(std::make_unique<Impl>(context)) {}

SpriteBatch::~SpriteBatch() = default;

void SpriteBatch::Begin(SpriteSortMode sortMode, std::optional<BlendState> blend, std::optional<SamplerState> sampler,
                        std::optional<DepthStencilState> depth, std::optional<RasterizerState> rasterizer,
                        std::function<void()> setCustomShaders, const Matrix& transform) {
  Impl& b = *impl_;
  if (b.begun) throw std::logic_error("SpriteBatch::Begin: the batch is already begun");
  b.begun = true;
  b.sortMode = sortMode;
  b.blend = blend.value_or(CommonStates::AlphaBlend());
  b.sampler = sampler.value_or(CommonStates::LinearClamp());
  b.depth = depth.value_or(CommonStates::DepthNone());
  b.rasterizer = rasterizer.value_or(CommonStates::CullNone());
  b.setCustomShaders = std::move(setCustomShaders);
  b.transform = transform;
  b.drawCalls = 0;
}

void SpriteBatch::Draw(const Texture2D& texture, Vector2 position, const Rect* source, Color color, float rotation,
                       Vector2 origin, Vector2 scale, SpriteEffects effects, float layerDepth) {
  Impl& b = *impl_;
  if (!b.begun) throw std::logic_error("SpriteBatch::Draw: Begin was not called");
  const Rect src = source ? *source : Rect{0, 0, texture.width(), texture.height()};
  const Vector2 size{static_cast<float>(src.right - src.left), static_cast<float>(src.bottom - src.top)};
  float u0 = static_cast<float>(src.left) / static_cast<float>(texture.width());
  float u1 = static_cast<float>(src.right) / static_cast<float>(texture.width());
  float v0 = static_cast<float>(src.top) / static_cast<float>(texture.height());
  float v1 = static_cast<float>(src.bottom) / static_cast<float>(texture.height());
  const auto bits = static_cast<unsigned>(effects);
  if (bits & static_cast<unsigned>(SpriteEffects::FlipHorizontally)) std::swap(u0, u1);
  if (bits & static_cast<unsigned>(SpriteEffects::FlipVertically)) std::swap(v0, v1);

  const float c = std::cos(rotation), s = std::sin(rotation);
  Sprite sprite{&texture, layerDepth, {}};
  static constexpr Vector2 kCorners[4] = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};
  for (int i = 0; i < 4; ++i) {
    const Vector2 local = (kCorners[i] * size - origin) * scale;
    sprite.corners[i] = {position.x + local.x * c - local.y * s, position.y + local.x * s + local.y * c, layerDepth,
                         color, kCorners[i].x != 0 ? u1 : u0, kCorners[i].y != 0 ? v1 : v0};
  }
  b.sprites.push_back(sprite);
  if (b.sortMode == SpriteSortMode::Immediate) b.Flush();
}

void SpriteBatch::Draw(const Texture2D& texture, const Rect& destination, const Rect* source, Color color,
                       float rotation, Vector2 origin, SpriteEffects effects, float layerDepth) {
  const Rect src = source ? *source : Rect{0, 0, texture.width(), texture.height()};
  const float srcW = static_cast<float>(src.right - src.left), srcH = static_cast<float>(src.bottom - src.top);
  const Vector2 scale{srcW != 0 ? static_cast<float>(destination.right - destination.left) / srcW : 0,
                      srcH != 0 ? static_cast<float>(destination.bottom - destination.top) / srcH : 0};
  Draw(texture, {static_cast<float>(destination.left), static_cast<float>(destination.top)}, &src, color, rotation,
       origin, scale, effects, layerDepth);
}

void SpriteBatch::End() {
  Impl& b = *impl_;
  if (!b.begun) throw std::logic_error("SpriteBatch::End: Begin was not called");
  b.Flush();
  b.begun = false;
  b.setCustomShaders = {};
}

std::size_t SpriteBatch::drawCallsInLastEnd() const { return impl_->drawCalls; }

}  // namespace quela::toolkit
