#pragma once
// Effect interfaces: an effect sets up the shaders and constants of a draw.
// Callers reach the optional facets with dynamic_cast from IEffect*.
// Thread: setters on any one thread at a time; Apply on the GL thread.
#include "toolkit/math.h"

namespace quela::toolkit {

class DeviceContext;

class IEffect {
 public:
  virtual ~IEffect() = default;
  // Binds the effect's program, constants and textures (texture slot 0).
  virtual void Apply(DeviceContext& context) = 0;
};

class IEffectMatrices {
 public:
  virtual ~IEffectMatrices() = default;
  virtual void SetWorld(const Matrix& world) = 0;
  virtual void SetView(const Matrix& view) = 0;
  virtual void SetProjection(const Matrix& projection) = 0;
  virtual void SetMatrices(const Matrix& world, const Matrix& view, const Matrix& projection) {
    SetWorld(world);
    SetView(view);
    SetProjection(projection);
  }
};

// Three directional lights plus ambient light. Light indices are 0..2; others
// throw std::out_of_range. Directions are the way the light travels (world).
class IEffectLights {
 public:
  static constexpr int kMaxDirectionalLights = 3;

  virtual ~IEffectLights() = default;
  virtual void SetLightingEnabled(bool enabled) = 0;
  // Lighting is always evaluated per pixel here; the request is accepted.
  virtual void SetPerPixelLighting(bool enabled) = 0;
  virtual void SetAmbientLightColor(Vector3 color) = 0;
  virtual void SetLightEnabled(int index, bool enabled) = 0;
  virtual void SetLightDirection(int index, Vector3 direction) = 0;
  virtual void SetLightDiffuseColor(int index, Vector3 color) = 0;
  virtual void SetLightSpecularColor(int index, Vector3 color) = 0;
  // Lighting on with the standard key, fill and back lights and ambient.
  virtual void EnableDefaultLighting() = 0;
};

// Linear fog by distance in front of the eye, in world units.
class IEffectFog {
 public:
  virtual ~IEffectFog() = default;
  virtual void SetFogEnabled(bool enabled) = 0;
  virtual void SetFogStart(float distance) = 0;
  virtual void SetFogEnd(float distance) = 0;
  virtual void SetFogColor(Vector3 color) = 0;
};

}  // namespace quela::toolkit
