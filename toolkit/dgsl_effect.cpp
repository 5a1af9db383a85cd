#include "toolkit/dgsl_effect.h"

namespace quela::toolkit {

DGSLEffect::DGSLEffect(Device& device, std::shared_ptr<const std::string> pixelSource)
    : MaterialEffect(device, true), pixelSource_(std::move(pixelSource)) {
  in_.lighting = true;
}

}  // namespace quela::toolkit
