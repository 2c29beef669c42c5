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

void TNormalTangentMatrix::SetSize(std::uint32_t NewRowCount, std::uint32_t NewColCount) {
  Normal.Rows(NewRowCount);
  Normal.Cols(NewColCount);
  Tangent.Rows(NewRowCount);
  Tangent.Cols(NewColCount);
}

}  // namespace zentrova
