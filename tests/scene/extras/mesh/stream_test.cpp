// Free forms, actors and animation controllers through the form stream, with the material library they
// refer to.
#include <gtest/gtest.h>

#include <cstring>

#include "scene/base/property_stream.h"
#include "scene/core/stage.h"
#include "scene/extras/mesh/actor.h"
#include "scene/extras/mesh/base_mesh.h"
#include "scene/materials/material_library.h"
#include "scene/stream_test_support.h"

namespace zentrova {
namespace {

using test::Bytes;

TEST(MeshStreaming, AFormWithAFreeFormAnActorAndAControllerReadsBackEqual) {
  TComponent form;
  auto& library = form.CreateComponent<TGLMaterialLibrary>();
  library.SetName("Library1");
  auto& stage = form.CreateComponent<TGLStage>();
  stage.SetName("Scene1");
  auto& free_form = stage.Objects().AddNewChild<TGLFreeForm>();
  free_form.SetName("FreeForm");
  free_form.SetMaterialLibrary(&library);
  free_form.SetUseMeshMaterials(false);
  free_form.AutoCentering = macCenterX | macUseBarycenter;
  free_form.AutoScaling().SetVector(2, 2, 2);
  auto& actor = stage.Objects().AddNewChild<TGLActor>();
  actor.SetName("Actor");
  actor.Interval = 40;
  actor.AnimationMode = aamLoop;
  actor.FrameInterpolation = afpNone;
  TActorAnimation& walk = *actor.Animations().Add();
  walk.Name = "walk";
  walk.SetReference(aarSkeleton);
  auto& controler = form.CreateComponent<TGLAnimationControler>();
  controler.SetName("Controler");
  controler.SetActor(&actor);
  controler.SetAnimationName("walk");
  controler.SetRatio(0.5f);

  const std::string bytes = Bytes(form);
  TMemoryStream stream(bytes);
  const std::unique_ptr<TComponent> read = ReadComponent(stream);
  EXPECT_EQ(Bytes(*read), bytes);

  auto& read_stage = dynamic_cast<TGLStage&>(*read->Components(1));
  ASSERT_EQ(read_stage.Objects().ChildCount(), 2);
  auto& read_free_form = dynamic_cast<TGLFreeForm&>(*read_stage.Objects().ChildAt(0));
  EXPECT_EQ(read_free_form.MaterialLibrary(), read->Components(0));
  EXPECT_FALSE(read_free_form.UseMeshMaterials());
  EXPECT_EQ(read_free_form.AutoCentering, macCenterX | macUseBarycenter);
  EXPECT_EQ(read_free_form.AutoScaling().AsVector(), (TVector4f{2, 2, 2, 0}));
  auto& read_actor = dynamic_cast<TGLActor&>(*read_stage.Objects().ChildAt(1));
  EXPECT_EQ(std::tuple(read_actor.Interval, read_actor.AnimationMode, read_actor.FrameInterpolation),
            std::tuple(40, aamLoop, afpNone));
  ASSERT_EQ(read_actor.Animations().Count(), 1);
  EXPECT_EQ(read_actor.Animations().Items(0)->Name, "walk");
  EXPECT_EQ(read_actor.Animations().Items(0)->Reference(), aarSkeleton);
  auto& read_controler = dynamic_cast<TGLAnimationControler&>(*read->Components(2));
  EXPECT_EQ(read_controler.Actor(), &read_actor);
  EXPECT_EQ(std::pair(read_controler.AnimationName(), read_controler.Ratio()), std::pair(std::string("walk"), 0.5f));
}

TEST(AnimationControler, DeletedWhileAttachedItLeavesTheActorWithoutControllers) {
  TGLActor actor;
  auto controler = std::make_unique<TGLAnimationControler>();
  controler->SetActor(&actor);
  ASSERT_NE(actor.Controlers(), nullptr);
  EXPECT_NO_THROW(controler.reset());
  EXPECT_EQ(actor.Controlers(), nullptr);
}

TEST(MeshStreaming, MeshesAtTheirDefaultsStoreNoneOfTheirOwnProperties) {
  const std::unique_ptr<TComponent> components[] = {std::make_unique<TGLFreeForm>(), std::make_unique<TGLActor>(),
                                                    std::make_unique<TGLAnimationControler>()};
  for (const auto& component : components) {
    const std::string bytes = Bytes(*component);
    for (const char* absent : {"AutoCentering", "AutoScaling", "UseMeshMaterials", "NormalsOrientation",
                               "MaterialLibrary", "Enabled", "Actor", "AnimationName", "Interval", "Animations",
                               "OverlaySkeleton", "AnimationMode"}) {
      // As a property name: its length byte first.
      const std::string property = std::string(1, static_cast<char>(std::strlen(absent))) + absent;
      EXPECT_EQ(bytes.find(property), std::string::npos) << component->ClassName() << " " << absent;
    }
  }
}

}  // namespace
}  // namespace zentrova
