// The arrow line's quadric calls along Z: stacked, included and headless arrows.
#include "scene/objects/arrow_line.h"
#include "objects_fixtures.h"

namespace zentrova::test {
namespace {

using ArrowCalls = FakeScene;

Calls Parts(const Calls& calls) {
  Calls kept;
  for (const std::string& c : calls) {
    for (const char* prefix : {"glRotatef", "glTranslatef", "gluCylinder", "gluDisk"}) {
      if (c.rfind(std::string(prefix) + "(", 0) == 0) kept.push_back(c);
    }
  }
  return kept;
}

const void* const kNull = nullptr;
const double k01 = 0.1f, k02 = 0.2f;

TEST_F(ArrowCalls, TheDefaultArrowStacksItsTopHeadBeyondAShaftFromMinusHalfToHalf) {
  TGLArrowLine arrow;
  EXPECT_EQ(arrow.BottomRadius(), 0.1f);
  arrow.BuildList(rci);
  EXPECT_EQ(
      Parts(fake.Calls()),
      (Calls{GLCall("glTranslatef", 0.0f, 0.0f, 0.5f), GLCall("gluCylinder", kNull, k02, 0.0, 0.5, 16, 4),
             GLCall("gluDisk", kNull, k01, k02, 16, 1), GLCall("glTranslatef", 0.0f, 0.0f, -0.5f),
             GLCall("gluCylinder", kNull, k01, k01, 1.0, 16, 4), GLCall("gluDisk", kNull, 0.0, k01, 16, 1)}));
  EXPECT_EQ(CountOf(fake.Calls(), "glPushMatrix()"), CountOf(fake.Calls(), "glPopMatrix()"));
}

TEST_F(ArrowCalls, IncludedHeadsFillingTheHeightLeaveNoShaftAndHeadlessPartsCloseTheShaft) {
  TGLArrowLine arrow;
  arrow.SetParts((1u << alLine) | (1u << alTopArrow) | (1u << alBottomArrow));
  arrow.SetHeadStackingStyle(ahssIncluded);
  arrow.BuildList(rci);
  EXPECT_EQ(
      Parts(fake.Calls()),
      (Calls{GLCall("glTranslatef", 0.0f, 0.0f, 0.0f), GLCall("gluCylinder", kNull, k02, 0.0, 0.5, 16, 4),
             GLCall("gluDisk", kNull, k01, k02, 16, 1), GLCall("glRotatef", 180.0f, 1.0f, 0.0f, 0.0f),
             GLCall("glTranslatef", 0.0f, 0.0f, 0.0f), GLCall("gluCylinder", kNull, k02, 0.0, 0.5, 16, 4),
             GLCall("gluDisk", kNull, k01, k02, 16, 1)}));
  fake.Clear();
  arrow.SetParts(1u << alLine);
  arrow.SetHeadStackingStyle(ahssCentered);
  arrow.BuildList(rci);
  EXPECT_EQ(
      Parts(fake.Calls()),
      (Calls{GLCall("glTranslatef", 0.0f, 0.0f, -0.5f), GLCall("gluCylinder", kNull, k01, k01, 1.0, 16, 4),
             GLCall("glTranslatef", 0.0f, 0.0f, 1.0f), GLCall("gluDisk", kNull, 0.0, k01, 16, 1),
             GLCall("gluDisk", kNull, 0.0, k01, 16, 1)}));
  fake.Clear();
  arrow.SetParts(1u << alTopArrow);
  arrow.BuildList(rci);
  EXPECT_EQ(Parts(fake.Calls()), (Calls{GLCall("glTranslatef", 0.0f, 0.0f, 0.25f),
                                        GLCall("gluCylinder", kNull, k02, 0.0, 0.5, 16, 4),
                                        GLCall("gluDisk", kNull, 0.0, k02, 16, 1)}));
}

}  // namespace
}  // namespace zentrova::test
