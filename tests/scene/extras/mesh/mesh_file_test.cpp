// The vector-file registry and the native mesh file: golden bytes, round trips, and damaged files that
// must load or raise.
#include "mesh_fixtures.h"
#include "scene/base/class_registration.h"

namespace zentrova::test {
namespace {

std::unique_ptr<TVectorFile> OtherFormat(TPersistent* owner) {
  return std::make_unique<TGLGLSMVectorFile>(owner);
}

TEST(MeshVectorFiles, RegistryLookups) {
  RegisterMeshClasses();
  TVectorFileFormatsList formats;
  formats.Add("ABC", "first", &TGLGLSMVectorFile::New, 0);
  EXPECT_EQ(formats.Formats()[0].Extension, "abc");
  for (const char* name : {"abc", "Abc", "ABC"}) EXPECT_EQ(formats.FindExt(name), &TGLGLSMVectorFile::New);
  EXPECT_EQ(formats.FindFromFileName("dir.x/model.ABC"), &TGLGLSMVectorFile::New);
  formats.Add("abc", "second", &OtherFormat, 0);
  EXPECT_EQ(formats.FindExt("abc"), &OtherFormat);
  const struct { const char* name; const char* message; } unknown[] = {
      {"model.Xyz", "Unknown file extension (Xyz), maybe you forgot to add the support unit to your uses? (GLFileXYZ?)"},
      {"model", "Unknown file extension (), maybe you forgot to add the support unit to your uses? (GLFile?)"}};
  for (const auto& c : unknown) ExpectError<EInvalidVectorFile>([&] { formats.FindFromFileName(c.name); }, c.message);
  EXPECT_EQ(GetVectorFileFormats().FindExt("GLSM"), &TGLGLSMVectorFile::New);
  TSkeleton not_a_mesh;
  EXPECT_THROW(TGLGLSMVectorFile{&not_a_mesh}, EAssertionFailed);
  for (const char* name : kMeshClassNames) {
    EXPECT_TRUE(GetClass(name) != nullptr || GetComponentClass(name) != nullptr) << name;
  }
}

TEST(MeshFile, SaveWritesTheGoldenBytesAndReloadingReproducesThem) {
  TGLFreeForm mesh;
  BuildSample(mesh);
  TStringStream saved;
  mesh.SaveToStream("sample.glsm", saved);
  const std::string golden = SampleBytes();
  ASSERT_EQ(saved.DataString(), golden);
  // The parts one reads off the layout: the list, the first class by name, the raw weight block.
  EXPECT_EQ(golden.substr(0, 18), std::string("\x02\x00\x01\x06\x0BTMeshObject\x02\x01", 18));
  const std::string weights("\x00\x00\x00\x00\x00\x00\x40\x3F\x01\x00\x00\x00\x00\x00\x80\x3E", 16);
  EXPECT_EQ(golden.substr(golden.size() - 3 * 16 - 1, 16), weights);
  // Read without bones, the skinned object waits for them; saved again, nothing changed.
  TGLFreeForm loaded;
  TStringStream in(golden);
  loaded.LoadFromStream("copy.GLSM", in);
  auto* skin = dynamic_cast<TSkeletonMeshObject*>(loaded.MeshObjects()[2]);
  ASSERT_NE(skin, nullptr);
  EXPECT_TRUE(skin->BoneMeshesStale());
  AddSampleBones(loaded.Skeleton());
  TStringStream again;
  loaded.SaveToStream("copy.glsm", again);
  EXPECT_EQ(again.DataString(), golden);
  EXPECT_EQ(static_cast<TFaceGroup*>(loaded.MeshObjects()[0]->FaceGroups()[0])->LightmapIndex, -1);
  EXPECT_EQ(static_cast<TFaceGroup*>(loaded.MeshObjects()[0]->FaceGroups()[1])->LightmapIndex, 2);
  // Added onto a mesh that has the bones, the same file is skinned at once, beside what was there.
  TStringStream more(golden);
  loaded.AddDataFromStream("more.glsm", more);
  ASSERT_EQ(loaded.MeshObjects().Count(), 6);
  EXPECT_FALSE(dynamic_cast<TSkeletonMeshObject*>(loaded.MeshObjects()[5])->BoneMeshesStale());
}

class MeshFileDamage : public MeshFake {
 public:
  void TestBody() override {}
  // Loads, then extracts and draws through the fake: whatever the bytes, an exception or nothing.
  // A damaged file is refused as a broken archive (the mesh readers' own checks, the object list's, an
  // unknown class, a stream that ends early); never by an assertion, neither when loading nor when a
  // file that loaded is used.
  void LoadAndUse(const std::string& bytes) {
    TGLFreeForm mesh;
    try {
      TStringStream in(bytes);
      mesh.LoadFromStream("fuzz.glsm", in);
    } catch (const EAssertionFailed& e) {
      ADD_FAILURE() << "a damaged file raised " << e.Message();
      return;
    } catch (const Exception&) {
      return;
    }
    try {
      mesh.MeshObjects().ExtractTriangles(nullptr, nullptr);
      TAffineVectorList tex_coords, normals;
      mesh.MeshObjects().ExtractTriangles(&tex_coords, &normals);
      mesh.MeshObjects().BuildList(rci);
    } catch (const EAssertionFailed& e) {
      ADD_FAILURE() << "a damaged file that loaded raised " << e.Message() << " when used";
    } catch (const Exception&) {
    }
  }
};

// The sample with its two immediate-mode groups (separate indexes, own texture points) set to quads:
// each of their four indexes makes one quad, drawn as such and extracted as two triangles.
TEST_F(MeshFake, QuadGroupsOfEveryKindLoadDrawAndGiveTwoTrianglesAQuad) {
  TGLFreeForm sample;
  BuildSample(sample);
  TMeshObject& faces = *sample.MeshObjects()[0];
  for (int g : {1, 2}) static_cast<TFGVertexIndexList*>(faces.FaceGroups()[g])->Mode = fgQuads;
  TStringStream saved;
  sample.SaveToStream("quads.glsm", saved);
  // The file differs from the sample in the two mode bytes alone.
  const std::string golden = SampleBytes();
  ASSERT_EQ(saved.DataString().size(), golden.size());
  int changed = 0;
  for (std::size_t i = 0; i < golden.size(); ++i) changed += saved.DataString()[i] != golden[i];
  EXPECT_EQ(changed, 2);

  TGLFreeForm mesh;
  TStringStream in(saved.DataString());
  mesh.LoadFromStream("quads.glsm", in);
  TMeshObject& loaded = *mesh.MeshObjects()[0];
  fake.Clear();
  for (int g : {1, 2}) loaded.FaceGroups()[g]->BuildList(rci);
  EXPECT_EQ(Only({"glBegin"}), Calls(2, GLCall("glBegin", GL_QUADS)));
  EXPECT_EQ(Only({"glVertex3fv"}).size(), 8u);
  // Own texture points: (0.5, 0), (0.5, 0.125), (0.5, 0.25), (0.5, 0.375) split as 0 1 2 and 0 2 3.
  TAffineVectorList vertices, tex_coords;
  loaded.FaceGroups()[2]->AddToTriangles(vertices, &tex_coords, nullptr);
  ASSERT_EQ(tex_coords.Count(), 6);
  const float t[6] = {0, 0.125f, 0.25f, 0, 0.25f, 0.375f};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(tex_coords[i], (TAffineVector{0.5f, t[i], 0})) << i;
  EXPECT_EQ(vertices[5], (TAffineVector{0, 1, 0}));
}

TEST(MeshFile, EveryTruncationAndByteChangeLoadsOrRaises) {
  const std::string golden = SampleBytes();
  ASSERT_FALSE(golden.empty());
  MeshFileDamage fake;
  for (std::size_t n = 0; n < golden.size(); ++n) fake.LoadAndUse(golden.substr(0, n));
  for (std::size_t i = 0; i < golden.size(); ++i) {
    const auto byte = static_cast<unsigned char>(golden[i]);
    for (unsigned value : {0u, 1u, 0x7Fu, 0x80u, 0xFFu, byte + 1u, byte - 1u, byte ^ 0x40u}) {
      std::string damaged = golden;
      damaged[i] = static_cast<char>(value);
      fake.LoadAndUse(damaged);
    }
  }
}

TEST(MeshFile, AListBrokenAfterANilItemIsRefusedAndFreed) {
  // Version 0, the list begins, a nil item, then a byte that is no value: the list read so far is
  // freed with its nil still in it.
  TGLFreeForm mesh;
  TStringStream in(std::string("\x02\x00\x01\x08\x02\x00\x88\xFD", 8));
  EXPECT_THROW(mesh.LoadFromStream("broken.glsm", in), Exception);
  EXPECT_EQ(mesh.MeshObjects().Count(), 0);
}

// Archives of single objects, with the integer that ends `from_end` bytes before the end replaced.
std::string WithInteger(std::string archive, std::size_t from_end, std::int8_t value) {
  archive[archive.size() - from_end + 1] = static_cast<char>(value);
  return archive;
}

TEST(MeshFile, HandMadeRefusals) {
  TMeshObject three;
  AddVertices(three.Vertices(), {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
  auto& group = three.FaceGroups().AddNew<TFGVertexNormalTexIndexList>();
  AddIndexes(group.VertexIndices(), {0, 1, 3});  // 3 = the vertex count
  TMeshObject empty;
  TSkeletonMeshObject skin;
  const std::string weights_tail = WithInteger(skin.SaveToString(), 4, 100);  // 100 rows × 0, then ...
  const struct { std::string bytes; std::unique_ptr<TPersistentObject> reader; const char* start; } cases[] = {
      {three.SaveToString(), std::make_unique<TMeshObject>(), "TFGVertexNormalTexIndexList : vertex index 3"},
      {WithInteger(weights_tail, 2, 2), std::make_unique<TSkeletonMeshObject>(), "TSkeletonMeshObject : invalid bone weights 100 x 2"},
      {WithInteger(empty.SaveToString(), 6, -1), std::make_unique<TMeshObject>(), "TMeshObject : invalid count of extra coordinate sets -1"},
      {WithInteger(empty.SaveToString(), 11, 9), std::make_unique<TMeshObject>(), "TMeshObject : invalid mode 9"},
      {WithInteger(empty.SaveToString(), 9, 3), std::make_unique<TMeshObject>(),
       "TMeshObject : invalid rendering options size 3"},
      {WithInteger(empty.SaveToString(), 4, -1), std::make_unique<TMeshObject>(),
       "TMeshObject : invalid auxiliary texture coordinate index -1"},
      {WithInteger(empty.SaveToString(), 2, -3), std::make_unique<TMeshObject>(),
       "TMeshObject : invalid auxiliary texture coordinate index -3"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ThrownFilerMessage([&] { c.reader->LoadFromString(c.bytes); }).rfind(c.start, 0), 0u) << c.start;
  }
  // Five extra coordinate sets announced, four bytes left: refused before reading any.
  EXPECT_EQ(ThrownFilerMessage([&] { TMeshObject().LoadFromString(WithInteger(empty.SaveToString(), 6, 5)); }),
            "TMeshObject : invalid count of extra coordinate sets 5");
  auto& own = empty.FaceGroups().AddNew<TFGIndexTexCoordList>();
  own.VertexIndices().Add(0);  // an index without its texture point
  AddVertices(empty.Vertices(), {{0, 0, 0}});
  EXPECT_NE(ThrownFilerMessage([&] { TMeshObject().LoadFromString(empty.SaveToString()); }), "(nothing raised)");
}

TEST(MeshFile, MeshObjectVersionsOneAndTwoAreReadAndThreeIsRefused) {
  TMeshObject mesh;
  AddVertices(mesh.Vertices(), {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
  mesh.Mode = mmTriangles;
  mesh.SetAuxTexCoordIndexA(5);
  const std::string v2 = mesh.SaveToString();
  // The mesh object's own version follows what its base writes, as it does in a morph target's archive.
  TMeshMorphTarget base;
  AddVertices(base.Vertices(), {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
  const std::size_t at = base.SaveToString().size() - 2;
  ASSERT_EQ(v2.substr(at, 2), std::string("\x02\x02", 2));  // an 8-bit integer, 2
  // Version 1 ends before the extra coordinate sets and the two auxiliary indexes (three integers).
  std::string v1 = v2.substr(0, v2.size() - 6);
  v1[at + 1] = 1;
  TMeshObject read;
  read.SetAuxTexCoordIndexA(7);
  read.LoadFromString(v1);
  EXPECT_EQ(read.Vertices().Count(), 3);
  EXPECT_EQ(read.Mode, mmTriangles);
  EXPECT_EQ(read.TexCoordsExCount(), 0);
  EXPECT_EQ(read.AuxTexCoordIndexA(), 7);  // not in the file: left as it was
  TMeshObject again;
  again.LoadFromString(v2);
  EXPECT_EQ(again.AuxTexCoordIndexA(), 5);
  std::string v3 = v2;
  v3[at + 1] = 3;
  EXPECT_EQ(ThrownFilerMessage([&] { TMeshObject().LoadFromString(v3); }), "TMeshObject : unknown archive version 3");
}

}  // namespace
}  // namespace zentrova::test
