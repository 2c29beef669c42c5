#include "engine/contact/normal_tangent.h"

namespace zentrova {

void TNormalTangentFloatList::Dim(std::uint32_t NewCount) {
  Normal.Dim(NewCount);
  Tangent.Dim(NewCount);
}

bool TNormalTangentFloatList::Zero() {
  Normal.Zero();
  Tangent.Zero();
  return true;
}

}  // namespace zentrova
