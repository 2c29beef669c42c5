// A GLU quadric for the span of one drawing, made and deleted through the GLU entry-point table.
#pragma once

#include <GL/glu.h>

#include "scene/gl/opengl_binding.h"

namespace zentrova {

class TQuadric {
 public:
  TQuadric() : quadric_(glu.NewQuadric()) {}
  ~TQuadric() { glu.DeleteQuadric(quadric_); }
  TQuadric(const TQuadric&) = delete;
  TQuadric& operator=(const TQuadric&) = delete;
  GLUquadric* Get() const { return quadric_; }

 private:
  GLUquadric* quadric_;
};

}  // namespace zentrova
