// Strips, mesh objects, face groups and morph targets: extracted geometry against hand values, and the
// OpenGL calls of drawing through the recording fake.
#include "mesh_fixtures.h"
#include "scene/extras/mesh/mesh_utils.h"

namespace zentrova::test {
namespace {

// Points a, b, c, ... at x = 0, 1, 2, ...
TAffineVector P(int i) {
  return {float(i), 0, 0};
}
std::vector<int> Xs(const TAffineVectorList& list) {
  std::vector<int> xs;
  for (int i = 0; i < list.Count(); ++i) xs.push_back(int(list[i][0]));
  return xs;
}

TEST(MeshStrips, OddTrianglesReversedWholeAndCapacityOnlyGrown) {
  TAffineVectorList strip, list;
  for (int i = 0; i < 5; ++i) strip.Add(P(i));
  ConvertStripToList(strip, list);
  EXPECT_EQ(Xs(list), (std::vector<int>{0, 1, 2, 3, 2, 1, 2, 3, 4}));
  TIntegerList indices;
  AddIndexes(indices, {4, 3, 2, 1});
  ConvertIndexedStripToList(strip, indices, list);
  EXPECT_EQ(Xs(list), (std::vector<int>{0, 1, 2, 3, 2, 1, 2, 3, 4, 4, 3, 2, 1, 2, 3}));
  const int capacity = list.Capacity();
  TAffineVectorList two;
  two.Add(P(0));
  two.Add(P(1));
  ConvertStripToList(two, list);
  EXPECT_EQ(list.Count(), 15);
  EXPECT_EQ(list.Capacity(), capacity);
}

TEST(MeshFaceGroups, ExtractionAndTriangleCountsPerMode) {
  const struct { TFaceGroupMeshMode mode; int indexes; std::vector<int> xs; int triangles; } cases[] = {
      {fgTriangles, 7, {0, 1, 2, 3, 4, 5}, 2},
      {fgTrianglesAlt, 3, {0, 1, 2}, 1},
      {fgTriangleStrip, 4, {0, 1, 2, 3, 2, 1}, 2},
      {fgTriangleFan, 5, {0, 1, 2, 0, 2, 3, 0, 3, 4}, 3},
      {fgQuads, 6, {0, 1, 2, 0, 2, 3}, 2},
      {fgQuads, 8, {0, 1, 2, 0, 2, 3, 4, 5, 6, 4, 6, 7}, 4},
      {fgTriangles, 2, {}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.mode) + " with " + std::to_string(c.indexes));
    TMeshObject mesh;
    for (int i = 0; i < 8; ++i) mesh.Vertices().Add(P(i));
    mesh.Mode = mmFaceGroups;
    auto& group = mesh.FaceGroups().AddNew<TFGVertexIndexList>();
    group.Mode = c.mode;
    for (int i = 0; i < c.indexes; ++i) group.VertexIndices().Add(i);
    TAffineVectorList normals;
    const auto triangles = mesh.ExtractTriangles(nullptr, &normals);
    EXPECT_EQ(Xs(*triangles), c.xs);
    EXPECT_EQ(mesh.TriangleCount(), c.triangles);
    // Without normals, one zero normal per extracted vertex keeps the lists parallel.
    EXPECT_EQ(normals.Count(), triangles->Count());
  }
}

TEST(MeshMorph, EdgeCases) {
  TMorphableMeshObject mesh;
  mesh.Vertices().Add(P(7));
  mesh.MorphTo(0);  // no targets: frame 0 is accepted and changes nothing
  EXPECT_EQ(Xs(mesh.Vertices()), std::vector<int>{7});
  EXPECT_THROW(mesh.MorphTo(1), EAssertionFailed);
  for (float x : {1.0f, 3.0f}) {
    TMeshMorphTarget& target = mesh.MorphTargets().AddNew();
    target.Vertices().Add({x, 0.1f, 0.7f});
    target.Normals().Add({x, 1, 0});
  }
  mesh.Lerp(0, 1, 0.5f);
  ExpectNear(mesh.Vertices()[0], {2, 0.1, 0.7}, 1e-6);
  ExpectNear(mesh.Normals()[0], {2 / std::sqrt(5.0), 1 / std::sqrt(5.0), 0}, 1e-6);
  // The end points are the targets bit for bit: 0.1 + (0.1 − 0.1) × 1 would do, but 0.7 + ... need not.
  mesh.Lerp(0, 1, 1);
  EXPECT_EQ(mesh.Vertices()[0], (TAffineVector{3, 0.1f, 0.7f}));
  EXPECT_EQ(mesh.Normals()[0], (TAffineVector{3, 1, 0}));
  mesh.MorphTargets()[1]->Normals().Clear();
  mesh.MorphTargets()[0]->Normals().Clear();
  mesh.Lerp(1, 0, 0.25f);  // without normals only the positions move
  ExpectNear(mesh.Vertices()[0], {2.5, 0.1, 0.7}, 1e-6);
  EXPECT_EQ(mesh.Normals()[0], (TAffineVector{3, 1, 0}));
  mesh.Translate({1, 0, 0});
  EXPECT_EQ(mesh.MorphTargets()[0]->Vertices()[0][0], 2);
}

// Three face groups A (3 indexes, m1), B (6, m2), C (9, m1) of a library with both materials.
class MeshGroupsDrawn : public MeshFake {
 protected:
  MeshGroupsDrawn() {
    for (const char* name : {"m1", "m2"}) library.Materials().Add()->SetName(name);
    for (int i = 0; i < 9; ++i) mesh.Vertices().Add(P(i));
    mesh.Mode = mmFaceGroups;
    for (auto [count, name] : {std::pair{3, "m1"}, {6, "m2"}, {9, "m1"}}) {
      auto& group = mesh.FaceGroups().AddNew<TFGVertexIndexList>();
      group.MaterialName = name;
      for (int i = 0; i < count; ++i) group.VertexIndices().Add(i);
    }
    mesh.PrepareMaterialLibraryCache(&library);
    rci.materialLibrary = &library;
  }
  std::vector<int> DrawnCounts() const {
    std::vector<int> counts;
    for (const std::string& call : Only({"glDrawElements"})) counts.push_back(std::stoi(call.substr(call.find(", ") + 2)));
    return counts;
  }
  TGLMaterialLibrary library;
  TMeshObject mesh;
};

TEST_F(MeshGroupsDrawn, GroupByMaterialDrawsAllGroupsOfAMaterialTogether) {
  mesh.BuildList(rci);
  EXPECT_EQ(DrawnCounts(), (std::vector<int>{3, 6, 9}));
  fake.Clear();
  mesh.RenderingOptions = roGroupByMaterial;
  for (int frame = 0; frame < 2; ++frame) {  // a new tag each build: nothing stays marked as drawn
    mesh.BuildList(rci);
    EXPECT_EQ(DrawnCounts(), (std::vector<int>{3, 9, 6}));
    fake.Clear();
  }
  // The arrays are declared once per build, by the first group.
  mesh.BuildList(rci);
  EXPECT_EQ(Only({"glVertexPointer"}).size(), 1u);
}

TEST_F(MeshGroupsDrawn, IndexesBeyondTheVerticesAreRefusedBeforeDrawing) {
  static_cast<TFGVertexIndexList*>(mesh.FaceGroups()[2])->VertexIndices().Add(9);
  EXPECT_THROW(mesh.BuildList(rci), EAssertionFailed);
  EXPECT_EQ(DrawnCounts(), (std::vector<int>{3, 6}));
  // The bracket was closed and the arrays disabled all the same.
  EXPECT_EQ(Only({"glDisableClientState"}).back(), GLCall("glDisableClientState", GL_VERTEX_ARRAY));
}

TEST_F(MeshFake, LightMapsBindOncePerDeclarationAndUnitOneGoesOffForNone) {
  GL.ARB_multitexture = true;
  TGLMaterialLibrary maps;
  for (int i = 0; i < 3; ++i) maps.Materials().Add();
  rci.lightmapLibrary = &maps;
  TMeshObject mesh;
  for (int i = 0; i < 3; ++i) {
    mesh.Vertices().Add(P(i));
    mesh.LightmapTexCoords().AddST(0, 0);
  }
  mesh.Mode = mmFaceGroups;
  for (int map : {2, 2, -1}) {
    auto& group = mesh.FaceGroups().AddNew<TFGVertexIndexList>();
    group.LightmapIndex = map;
    AddIndexes(group.VertexIndices(), {0, 1, 2});
  }
  mesh.BuildList(rci);
  const std::string modulate = GLCall("glTexEnvi", GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  const std::string unit1 = GLCall("glActiveTextureARB", GL_TEXTURE1_ARB),
                    unit0 = GLCall("glActiveTextureARB", GL_TEXTURE0_ARB),
                    draw = GLCall("glDrawElements", GL_TRIANGLES, 3, GL_UNSIGNED_INT, "ptr");
  const Calls expected{unit1, modulate, unit0, unit1, GLCall("glEnable", GL_TEXTURE_2D), unit0, draw, draw,
                       unit1, GLCall("glDisable", GL_TEXTURE_2D), unit0, draw};
  const Calls drawn = Only({"glActiveTextureARB", "glTexEnvi", "glDrawElements", "glEnable(3553)", "glDisable(3553)"});
  EXPECT_EQ(drawn, expected);
  // Light-map points forbid locking the arrays; without them the arrays are locked around the drawing.
  GL.EXT_compiled_vertex_array = true;
  for (bool with_points : {true, false}) {
    if (!with_points) mesh.LightmapTexCoords().Clear();
    fake.Clear();
    mesh.BuildList(rci);
    EXPECT_EQ(Only({"glLockArraysEXT", "glUnlockArraysEXT"}),
              (with_points ? Calls{} : Calls{GLCall("glLockArraysEXT", 0, 3), "glUnlockArraysEXT()"}));
  }
}

TEST_F(MeshFake, ImmediateModeSendsOnlyWhatCoversTheVertices) {
  TMeshObject mesh;
  mesh.BuildList(rci);  // no vertices, no colours: equal counts still bracket the colour material
  EXPECT_EQ(Only({"glPushAttrib", "glPopAttrib", "glBegin"}),
            (Calls{GLCall("glPushAttrib", GL_ENABLE_BIT), "glPopAttrib()"}));
  GL.ARB_multitexture = true;
  for (int i = 0; i < 3; ++i) mesh.Vertices().Add(P(i));
  AddVertices(mesh.Normals(), {{0, 0, 1}, {0, 0, 1}});            // one short: neither array nor calls
  mesh.GetTexCoordsEx(1).Add({1, 2, 3, 4});                        // short too
  for (int i = 0; i < 3; ++i) mesh.GetTexCoordsEx(0).Add({0, 0, 0, 1});
  fake.Clear();
  mesh.BuildList(rci);
  EXPECT_TRUE(Only({"glNormal", "glPushAttrib"}).empty());
  EXPECT_EQ(Only({"glMultiTexCoord4fvARB"}), Calls(3, "glMultiTexCoord4fvARB(33984, [0, 0, 0, 1])"));
  EXPECT_EQ(Only({"glEnableClientState", "glNormalPointer"}), (Calls{GLCall("glEnableClientState", GL_VERTEX_ARRAY),
                                                                      GLCall("glEnableClientState", GL_TEXTURE_COORD_ARRAY)}));
  // A separate-index group sends a normal or texture point only for an index inside its list.
  mesh.Mode = mmFaceGroups;
  auto& group = mesh.FaceGroups().AddNew<TFGVertexNormalTexIndexList>();
  AddIndexes(group.VertexIndices(), {0, 1, 2});
  AddIndexes(group.NormalIndices(), {1, 5, -1});
  fake.Clear();
  mesh.BuildList(rci);
  EXPECT_EQ(Only({"glNormal3fv", "glVertex3fv"}),
            (Calls{"glNormal3fv([0, 0, 1])", "glVertex3fv([0, 0, 0])", "glVertex3fv([1, 0, 0])",
                   "glVertex3fv([2, 0, 0])"}));
}

}  // namespace
}  // namespace zentrova::test
