// Pairs of one contact quantity in the normal and in the tangential direction of a contact: the Jacobian
// rows of one contact, the Jacobian matrices of all contacts. The pair only creates, sizes and zeroes its
// members; the contact code works on the members directly.
#pragma once

#include <cstdint>

#include "numerics/float_list.h"
#include "numerics/matrix.h"

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

class TNormalTangentMatrix {
 public:
  TNormalTangentMatrix() = default;
  TNormalTangentMatrix(const TNormalTangentMatrix&) = delete;
  TNormalTangentMatrix& operator=(const TNormalTangentMatrix&) = delete;

  // Both matrices become NewRowCount x NewColCount (rows first, then columns), new elements 0.
  void SetSize(std::uint32_t NewRowCount, std::uint32_t NewColCount);

  TMatrix Normal;
  TMatrix Tangent;
};

}  // namespace zentrova
