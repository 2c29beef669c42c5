// Skeletons and skinning against hand-computed matrices and positions.
#include "mesh_fixtures.h"

namespace zentrova::test {
namespace {

constexpr float kRight = std::numbers::pi_v<float> / 2;

void ExpectMatrix(const TMatrix4f& m, const std::array<std::array<double, 4>, 4>& expected) {
  for (int r = 0; r < 4; ++r) {
    SCOPED_TRACE("row " + std::to_string(r));
    ExpectNear(m[r], {expected[r][0], expected[r][1], expected[r][2], expected[r][3]}, 1e-6);
  }
}

TEST(MeshSkeleton, ThreeBoneChainAgainstHandMatrices) {
  TSkeleton skeleton;
  TSkeletonBone& b0 = skeleton.RootBones().AddNewBone(0);
  TSkeletonBone& b1 = b0.AddNewBone(1);
  TSkeletonBone& b2 = b1.AddNewBone(2);
  TSkeletonFrame& frame = skeleton.Frames().AddNew();
  AddVertices(frame.Position(), {{0, 0, 0}, {1, 0, 0}, {1, 0, 0}});
  // Bone 2 turns about X, then about Y: the other order would give another matrix.
  AddVertices(frame.Rotation(), {{0, 0, kRight}, {0, 0, 0}, {kRight, kRight, 0}});
  skeleton.RootBones().PrepareGlobalMatrices();
  ExpectMatrix(b0.GlobalMatrix(), {{{0, 1, 0, 0}, {-1, 0, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}});
  ExpectMatrix(b1.GlobalMatrix(), {{{0, 1, 0, 0}, {-1, 0, 0, 0}, {0, 0, 1, 0}, {0, 1, 0, 1}}});
  ExpectMatrix(b2.GlobalMatrix(), {{{0, 0, -1, 0}, {0, 1, 0, 0}, {1, 0, 0, 0}, {0, 2, 0, 1}}});
  // Zero angles add no rounding: the rotation part is exactly the identity.
  EXPECT_EQ(skeleton.CurrentFrame().LocalMatrixList()[1], (TMatrix4f{{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {1, 0, 0, 1}}}));
}

TEST(MeshSkeleton, BoneByIDThroughTheCache) {
  TSkeleton skeleton;
  TSkeletonBone& root = skeleton.RootBones().AddNewBone(0, "first");
  root.AddNewBone(3, "three");
  TSkeletonBone& again = root.AddNewBone(0, "second");  // visited later: it wins
  root.AddNewBone(-2, "negative");
  EXPECT_EQ(skeleton.BoneByID(0), &again);
  EXPECT_EQ(skeleton.BoneByID(3)->Name, "three");
  for (int missing : {1, 2, -2, -1, 4, 1000}) EXPECT_THROW(skeleton.BoneByID(missing), EListError) << missing;
  EXPECT_EQ(skeleton.RootBones().BoneByID(0), &root);  // the tree walk answers with the first
}

TEST(MeshSkeleton, BlendedLerps) {
  TSkeleton skeleton;
  skeleton.RootBones().AddNewBone(0);
  for (float x : {0.0f, 4.0f, 8.0f}) {
    TSkeletonFrame& frame = skeleton.Frames().AddNew();
    frame.Position().Add({x, 1, 0});
    frame.Rotation().Add({0, 0, 0});
  }
  // One entry: the frames' interpolation, its weight ignored.
  skeleton.BlendedLerps({{.frameIndex1 = 0, .frameIndex2 = 1, .lerpFactor = 0.25f, .weight = 0.5f}});
  ExpectNear(skeleton.CurrentFrame().Position()[0], {1, 1, 0}, 1e-6);
  // Several: entry 0 weighted, the others added whole whatever their weight.
  TAffineVectorList external;
  external.Add({0, 0, 10});
  skeleton.BlendedLerps({{.frameIndex1 = 0, .frameIndex2 = 1, .lerpFactor = 0.25f, .weight = 0.5f},
                         {.frameIndex1 = 1, .frameIndex2 = 2, .lerpFactor = 0.5f, .weight = 0.1f},
                         {.weight = 0.1f, .externalPositions = &external}});
  ExpectNear(skeleton.CurrentFrame().Position()[0], {0.5 + 6, 0.5 + 1, 10}, 1e-6);
}

// A free form whose bone 0 moves from rest to (0, 0, 1), turned 90° about z.
class Skinning : public ::testing::Test {
 protected:
  Skinning() {
    skeleton.RootBones().AddNewBone(0);
    for (float t : {0.0f, 1.0f}) {
      TSkeletonFrame& frame = skeleton.Frames().AddNew();
      frame.Position().Add({0, 0, t});
      frame.Rotation().Add({0, 0, t * kRight});
    }
    skeleton.RootBones().PrepareGlobalMatrices();
  }
  TSkeletonMeshObject& Skin(std::vector<TVertexBoneWeight> row) {
    auto& skin = mesh.MeshObjects().AddNew<TSkeletonMeshObject>();
    AddVertices(skin.Vertices(), {{1, 0, 0}, {5, 5, 5}});  // the second has no row: it stays
    AddVertices(skin.Normals(), {{1, 0, 0}, {0, 0, 1}});
    skin.VerticeBoneWeightCount = 1;
    skin.BonesPerVertex = int(row.size());
    skin.ResizeVerticesBonesWeights();
    for (std::size_t b = 0; b < row.size(); ++b) skin.Weight(0, int(b)) = row[b];
    return skin;
  }
  void Move() {
    skeleton.SetCurrentFrame(*skeleton.Frames()[1]);
    skeleton.MorphMesh(false);
  }
  TGLFreeForm mesh;
  TSkeleton& skeleton = mesh.Skeleton();
};

TEST_F(Skinning, WeightsAsStoredAndOneBoneIgnoresItsWeight) {
  const struct { std::vector<TVertexBoneWeight> row; double scale; } cases[] = {
      {{{0, 0.3f}}, 1}, {{{0, 0.5f}, {0, 0.5f}}, 1}, {{{0, 0.5f}, {0, 0.25f}}, 0.75}};
  for (const auto& c : cases) {
    mesh.MeshObjects().Clear();
    skeleton.SetCurrentFrame(*skeleton.Frames()[0]);
    skeleton.RootBones().PrepareGlobalMatrices();
    TSkeletonMeshObject& skin = Skin(c.row);
    skin.PrepareBoneMatrixInvertedMeshes();
    Move();
    SCOPED_TRACE(c.row.size());
    ExpectNear(skin.Vertices()[0], {0, c.scale, c.scale}, 1e-6);
    ExpectNear(skin.Normals()[0], {0, c.scale, 0}, 1e-6);
    EXPECT_EQ(skin.Vertices()[1], (TAffineVector{5, 5, 5}));
  }
}

TEST_F(Skinning, MissingBonesMakeTheBoneSpaceMeshesWaitInsteadOfFailing) {
  TSkeletonMeshObject& skin = Skin({{4, 1}});
  EXPECT_THROW(skin.PrepareBoneMatrixInvertedMeshes(), EListError);
  skin.PrepareOrMarkStale();
  EXPECT_TRUE(skin.BoneMeshesStale());
  EXPECT_THROW(skeleton.MorphMesh(false), EListError);
  skeleton.RootBones().AddNewBone(4);
  AddVertices(skeleton.Frames()[0]->Position(), {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {2, 0, 0}});
  AddVertices(skeleton.Frames()[0]->Rotation(), {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}});
  skeleton.SetCurrentFrame(*skeleton.Frames()[0]);
  skeleton.MorphMesh(false);  // prepared now, from the pose in force: nothing moves
  EXPECT_FALSE(skin.BoneMeshesStale());
  ExpectNear(skin.Vertices()[0], {1, 0, 0}, 1e-6);
}

TEST(MeshSkinWeights, ResizeKeepsTheOverlapAndClearFreesTheBlock) {
  TSkeletonMeshObject skin;
  skin.VerticeBoneWeightCount = 4;
  skin.BonesPerVertex = 2;
  skin.ResizeVerticesBonesWeights();
  for (int i = 0; i < 4; ++i) {
    for (int b = 0; b < 2; ++b) skin.Weight(i, b) = {10 * i + b, 0.5f};
  }
  skin.VerticeBoneWeightCount = 6;
  skin.BonesPerVertex = 3;
  skin.ResizeVerticesBonesWeights();
  EXPECT_EQ(skin.AllocatedRows() * 10 + skin.AllocatedBonesPerVertex(), 63);
  const auto rows = skin.VerticesBonesWeights();
  for (int i = 0; i < 4; ++i) {
    for (int b = 0; b < 2; ++b) EXPECT_EQ(rows[i][b].BoneID, 10 * i + b);
    EXPECT_EQ(rows[i] + 3, rows[i + 1]);  // one block, row by row
  }
  skin.Clear();
  EXPECT_EQ(skin.VerticesBonesWeights(), nullptr);
  EXPECT_EQ(skin.VerticeBoneWeightCount + skin.BonesPerVertex + skin.AllocatedRows(), 0);
}

TEST(MeshSkeleton, ArchiveVersionOneOnlyWithColliders) {
  TSkeleton skeleton;
  AddSampleBones(skeleton);
  const std::string plain = skeleton.SaveToString();
  EXPECT_EQ(plain.substr(0, 2), std::string("\x02\x00", 2));
  TSkeletonCollider& collider = skeleton.Colliders().AddNew();
  collider.Bone = skeleton.BoneByName("tip");
  collider.LocalMatrix[3] = {1, 2, 3, 1};
  TSkeleton copy;
  copy.LoadFromString(skeleton.SaveToString());
  EXPECT_EQ(skeleton.SaveToString().substr(0, 2), std::string("\x02\x01", 2));
  ASSERT_EQ(copy.Colliders().Count(), 1);
  EXPECT_EQ(copy.Colliders().Items(0)->Bone, copy.BoneByName("tip"));
  EXPECT_EQ(copy.Colliders().Items(0)->LocalMatrix[3], (TVector4f{1, 2, 3, 1}));
  EXPECT_EQ(copy.BoneByName("root")->Color, 0xFFFFFFFFu);
}

}  // namespace
}  // namespace zentrova::test
