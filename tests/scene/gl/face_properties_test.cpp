#include "scene/gl/face_properties.h"

#include <gtest/gtest.h>

#include "platform/exception.h"
#include "scene/gl/gl_fixtures.h"
#include "scene/gl/state_cache.h"

namespace zentrova {
namespace {

using test::GLCall;
using test::TGLRecordingFake;
using test::Values;
using Calls = std::vector<std::string>;

using TPlainOwner = test::TNoticeCounter;

TEST(GLFaceProperties, ChangesAndAssignNotifyTheOwnerOnce) {
  TPlainOwner owner;
  TGLFaceProperties face(&owner), source(nullptr);
  face.Diffuse().SetRed(0.5f);
  // The colour setters copy without the colour's own notice: one notice each.
  face.SetEmission(TGLColor(nullptr, clrRed));
  EXPECT_EQ(owner.notices, 2);
  EXPECT_EQ(face.Emission().Color(), clrRed);
  source.Ambient().SetRGBA(0.1f, 0.2f, 0.3f, 1);
  source.Diffuse().SetRGBA(0.4f, 0.5f, 0.6f, 0.5f);
  source.Specular().SetRGBA(1, 1, 1, 1);
  source.Emission().SetRGBA(0, 0, 1, 1);
  source.SetShininess(64);
  source.SetPolygonMode(pmPoints);
  face.Assign(&source);
  EXPECT_EQ(owner.notices, 3);
  EXPECT_EQ((std::array{face.Ambient().Color(), face.Diffuse().Color(), face.Specular().Color(),
                        face.Emission().Color()}),
            (std::array{source.Ambient().Color(), source.Diffuse().Color(), clrWhite, clrBlue}));
  EXPECT_TRUE(face.Shininess() == 64 && face.PolygonMode() == pmPoints);
  // Anything else is ignored without a word.
  const TGLColor colour(nullptr);
  face.Assign(&colour);
  EXPECT_EQ(owner.notices, 3);
}

TEST(GLFaceProperties, ShininessAndPolygonModeSetters) {
  TPlainOwner owner;
  TGLFaceProperties face(&owner);
  face.SetShininess(0);  // no changes
  face.SetPolygonMode(pmFill);
  face.SetShininess(128);
  face.SetPolygonMode(pmLines);
  EXPECT_EQ(owner.notices, 2);
  for (int shininess : {129, -1}) EXPECT_THROW(face.SetShininess(shininess), ERangeError);
  EXPECT_EQ(face.Shininess(), 128);
  EXPECT_EQ((std::array{GLPolygonMode(pmFill), GLPolygonMode(pmLines), GLPolygonMode(pmPoints)}),
            (std::array<GLenum, 3>{GL_FILL, GL_LINE, GL_POINT}));
}

TEST(GLFaceProperties, ApplySendsThroughTheStateCache) {
  TGLRecordingFake fake;
  TGLStateCache states;
  states.ResetMaterialColors();
  TGLFaceProperties face(nullptr);
  face.SetShininess(10);
  face.SetPolygonMode(pmLines);
  fake.Clear();
  face.Apply(states, GL_BACK);
  EXPECT_EQ(fake.Calls(), test::GoldenCalls("face_apply_back"));
  // Applied again: the cache holds it all.
  fake.Clear();
  face.Apply(states, GL_BACK);
  EXPECT_TRUE(fake.Calls().empty());
  face.ApplyNoLighting(states, GL_FRONT);
  EXPECT_EQ(fake.Calls(), (Calls{GLCall("glColor4fv", Values(0.8f, 0.8f, 0.8f, 1.0f)),
                                 GLCall("glPolygonMode", GL_FRONT, GL_LINE)}));
}

}  // namespace
}  // namespace zentrova
