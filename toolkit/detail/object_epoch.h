#pragma once
// Counts creations of textures and vertex arrays. GL may hand a new object the
// name of a deleted one, which a DeviceContext would otherwise take for a
// binding it already made; it forgets its bindings when the count moved.
#include <atomic>
#include <cstdint>

namespace quela::toolkit::detail {

inline std::atomic<std::uint64_t> objectEpoch{0};

inline void NoteObjectCreated() { objectEpoch.fetch_add(1, std::memory_order_relaxed); }

}  // namespace quela::toolkit::detail
