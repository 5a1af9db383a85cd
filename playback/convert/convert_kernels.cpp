#include "playback/convert/convert_kernels.h"

namespace quela {

const ConvertKernels* Avx2Kernels() {
  __builtin_cpu_init();  // static initialisers may get here before the processor's features are read
  return __builtin_cpu_supports("avx2") ? &Avx2KernelTable() : nullptr;
}

const ConvertKernels& BestKernels() {
  static const ConvertKernels& best = Avx2Kernels() ? *Avx2Kernels() : Sse2Kernels();
  return best;
}

}  // namespace quela
