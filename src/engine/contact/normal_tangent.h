// A pair of one contact quantity in the normal and in the tangential direction of a contact: the Jacobian
// rows of one contact. The pair only creates, sizes and zeroes its members; the contact code works on the
// members directly.
#pragma once

#include <cstdint>

#include "numerics/float_list.h"

namespace zentrova {

class TNormalTangentFloatList {
 public:
  TNormalTangentFloatList() = default;
  TNormalTangentFloatList(const TNormalTangentFloatList&) = delete;
  TNormalTangentFloatList& operator=(const TNormalTangentFloatList&) = delete;

  // Both lists get NewCount elements, new ones 0. A refused size is recorded by the list concerned; the
  // other one is still resized.
  void Dim(std::uint32_t NewCount);
  // Every element of both lists becomes 0, the counts stay. Always true.
  bool Zero();

  TFloatList Normal;
  TFloatList Tangent;
};

}  // namespace zentrova
