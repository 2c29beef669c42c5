#include "scene/objects/component_stream.h"

#include <array>
#include <cstring>
#include <span>

#include "scene/base/scene_errors.h"
#include "scene/objects/cube.h"
#include "scene/objects/dummy_cube.h"
#include "scene/objects/lines.h"
#include "scene/objects/object_classes.h"
#include "scene/objects/plane.h"
#include "scene/objects/points.h"
#include "scene/objects/space_text.h"
#include "scene/objects/sphere.h"
#include "scene/objects/sprite.h"

namespace zentrova {

namespace {

constexpr char kSignature[4] = {'T', 'P', 'F', '0'};

[[noreturn]] void InvalidValue() {
  throw EReadError("Invalid property value");
}

[[noreturn]] void NoProperty(const std::string& name) {
  throw EReadError("Property " + name + " does not exist");
}

// ---- Enumerations and sets by identifier

constexpr std::array<const char*, 5> kObjectsSorting{"osInherited", "osNone", "osRenderFarthestFirst",
                                                     "osRenderBlendedLast", "osRenderNearestFirst"};
constexpr std::array<const char*, 4> kVisibilityCulling{"vcInherited", "vcNone", "vcObjectBased",
                                                        "vcHierarchical"};
constexpr std::array<const char*, 3> kCamInvariance{"cimNone", "cimPosition", "cimOrientation"};
constexpr std::array<const char*, 2> kPlaneStyle{"psSingleQuad", "psTileTexture"};
constexpr std::array<const char*, 5> kPointStyle{"psSquare", "psRound", "psSmooth", "psSmoothAdditive",
                                                 "psSquareAdditive"};
constexpr std::array<const char*, 4> kNodesAspect{"lnaInvisible", "lnaAxes", "lnaCube", "lnaDodecahedron"};
constexpr std::array<const char*, 5> kSplineMode{"lsmLines", "lsmCubicSpline", "lsmBezierSpline",
                                                 "lsmNURBSCurve", "lsmSegments"};
constexpr std::array<const char*, 1> kLinesOptions{"loUseNodeColorForLines"};
constexpr std::array<const char*, 3> kNormalSmoothing{"nsFlat", "nsSmooth", "nsNone"};
constexpr std::array<const char*, 2> kNormalDirection{"ndInside", "ndOutside"};
constexpr std::array<const char*, 3> kCapType{"ctNone", "ctCenter", "ctFlat"};
constexpr std::array<const char*, 6> kCubeParts{"cpTop", "cpBottom", "cpFront", "cpBack", "cpLeft", "cpRight"};
constexpr std::array<const char*, 6> kHorzAdjust{"haLeft", "haCenter", "haRight", "haAligned", "haCentrically",
                                                 "haFitIn"};
constexpr std::array<const char*, 4> kVertAdjust{"vaTop", "vaCenter", "vaBottom", "vaBaseLine"};
constexpr std::array<const char*, 3> kCharRange{"stcrAlphaNum", "stcrNumbers", "stcrAll"};
constexpr std::array<const char*, 4> kFontStyles{"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"};

template <std::size_t N>
int IdentIndex(const std::array<const char*, N>& names, const TPropertyValue& value) {
  if (value.tag != vaIdent) InvalidValue();
  for (std::size_t i = 0; i < N; ++i) {
    if (value.text == names[i]) return static_cast<int>(i);
  }
  InvalidValue();
}

template <std::size_t N>
std::vector<std::string_view> SetIdents(const std::array<const char*, N>& names, unsigned bits) {
  std::vector<std::string_view> idents;
  for (std::size_t i = 0; i < N; ++i) {
    if ((bits & (1u << i)) != 0) idents.emplace_back(names[i]);
  }
  return idents;
}

template <std::size_t N>
unsigned SetBits(const std::array<const char*, N>& names, const TPropertyValue& value) {
  if (value.tag != vaSet) InvalidValue();
  unsigned bits = 0;
  for (const std::string& ident : value.idents) {
    bool found = false;
    for (std::size_t i = 0; i < N; ++i) {
      if (ident == names[i]) {
        bits |= 1u << i;
        found = true;
      }
    }
    if (!found) InvalidValue();
  }
  return bits;
}

// ---- Binary properties

void WriteVector(TStream& stream, const TVector4f& v) {
  stream.WriteBuffer(v.data(), 16);
}

TMemoryStream BinaryStream(const TPropertyValue& value, std::size_t size) {
  if (value.tag != vaBinary || value.text.size() != size) InvalidValue();
  return TMemoryStream(value.text);
}

TVector4f ReadVector(const TPropertyValue& value) {
  TMemoryStream stream = BinaryStream(value, 16);
  TVector4f v{};
  stream.ReadBuffer(v.data(), 16);
  return v;
}

void WriteColor(TPropertyWriter& w, const std::string& name, const TGLColor& color) {
  if (color.StoresColor()) w.Binary(name + ".Color", [&color](TStream& s) { color.WriteData(s); });
}

void WriteCoordinates(TPropertyWriter& w, const char* name, const TGLCoordinates& c, const TVector4f& def) {
  if (c.AsVector() != def) w.Binary(std::string(name) + ".Coordinates", [&c](TStream& s) { c.WriteData(s); });
}

// ---- Nodes of lines

void WriteNodes(TPropertyWriter& w, const TGLNodedLines& lines) {
  w.BeginCollection("Nodes");
  for (int i = 0; i < lines.Nodes().Count(); ++i) {
    const TGLLinesNode& node = *lines.Nodes()[i];
    w.BeginItem();
    w.Single("X", node.X());
    w.Single("Y", node.Y());
    w.Single("Z", node.Z());
    if (node.Color().Color() != lines.NodeColor().Color()) {
      w.Binary("Color.Color", [&node](TStream& s) { node.Color().WriteData(s); });
    }
    w.EndItem();
  }
  w.EndCollection();
}

void ReadNodes(TGLNodedLines& lines, const TPropertyValue& value) {
  if (value.tag != vaCollection) InvalidValue();
  lines.Nodes().BeginUpdate();
  lines.Nodes().Clear();
  for (const TPropertyList& item : value.items) {
    TGLLinesNode& node = *lines.Nodes().Add();
    for (const auto& [name, v] : item) {
      if (name == "X") {
        node.SetX(AsSingle(v));
      } else if (name == "Y") {
        node.SetY(AsSingle(v));
      } else if (name == "Z") {
        node.SetZ(AsSingle(v));
      } else if (name == "Color.Color") {
        TMemoryStream stream = BinaryStream(v, 16);
        node.Color().ReadData(stream);
      } else {
        NoProperty(name);
      }
    }
  }
  lines.Nodes().EndUpdate();
}

// ---- Class by class

void WriteBase(const TGLBaseSceneObject& o, TPropertyWriter& w) {
  WriteCoordinates(w, "Direction", o.Direction(), {0, 0, 1, 0});
  WriteCoordinates(w, "Position", o.Position(), {0, 0, 0, 1});
  WriteCoordinates(w, "Scale", o.Scale(), {1, 1, 1, 0});
  WriteCoordinates(w, "Up", o.Up(), {0, 1, 0, 0});
  if (o.ObjectsSorting() != osInherited) w.Ident("ObjectsSorting", kObjectsSorting.at(o.ObjectsSorting()));
  if (o.VisibilityCulling() != vcInherited) {
    w.Ident("VisibilityCulling", kVisibilityCulling.at(o.VisibilityCulling()));
  }
  if (!o.Visible()) w.Boolean("Visible", false);
  if (o.ShowAxes()) w.Boolean("ShowAxes", true);
  if (const auto* c = dynamic_cast<const TGLCustomSceneObject*>(&o); c != nullptr && !c->Hint.empty()) {
    w.String("Hint", c->Hint);
  }
}

bool ReadBase(TGLBaseSceneObject& o, const std::string& name, const TPropertyValue& v) {
  if (name == "Direction.Coordinates") {
    o.SetDirection(ReadVector(v));
  } else if (name == "Position.Coordinates") {
    o.SetPosition(ReadVector(v));
  } else if (name == "Scale.Coordinates") {
    const TVector4f s = ReadVector(v);
    o.Scale().SetVectorXYZW(s[0], s[1], s[2], s[3]);
  } else if (name == "Up.Coordinates") {
    o.SetUp(ReadVector(v));
  } else if (name == "ObjectsSorting") {
    o.SetObjectsSorting(static_cast<TGLObjectsSorting>(IdentIndex(kObjectsSorting, v)));
  } else if (name == "VisibilityCulling") {
    o.SetVisibilityCulling(static_cast<TGLVisibilityCulling>(IdentIndex(kVisibilityCulling, v)));
  } else if (name == "Visible") {
    o.SetVisible(AsBoolean(v));
  } else if (name == "ShowAxes") {
    o.SetShowAxes(AsBoolean(v));
  } else if (auto* c = dynamic_cast<TGLCustomSceneObject*>(&o); c != nullptr && name == "Hint") {
    if (v.tag != vaString && v.tag != vaLString && v.tag != vaUTF8String && v.tag != vaWString) InvalidValue();
    c->Hint = v.text;
  } else {
    return false;
  }
  return true;
}

void WriteDummyCube(const TGLDummyCube& o, TPropertyWriter& w) {
  w.Single("CubeSize", o.CubeSize());
  WriteColor(w, "EdgeColor", o.EdgeColor());
  if (o.VisibleAtRunTime()) w.Boolean("VisibleAtRunTime", true);
  if (o.Amalgamate()) w.Boolean("Amalgamate", true);
  if (o.CamInvarianceMode() != cimNone) w.Ident("CamInvarianceMode", kCamInvariance.at(o.CamInvarianceMode()));
}

bool ReadDummyCube(TGLDummyCube& o, const std::string& name, const TPropertyValue& v) {
  if (name == "CubeSize") {
    o.SetCubeSize(AsSingle(v));
  } else if (name == "EdgeColor.Color") {
    TMemoryStream s = BinaryStream(v, 16);
    o.EdgeColor().ReadData(s);
  } else if (name == "VisibleAtRunTime") {
    o.SetVisibleAtRunTime(AsBoolean(v));
  } else if (name == "Amalgamate") {
    o.SetAmalgamate(AsBoolean(v));
  } else if (name == "CamInvarianceMode") {
    o.SetCamInvarianceMode(static_cast<TGLCameraInvarianceMode>(IdentIndex(kCamInvariance, v)));
  } else {
    return false;
  }
  return true;
}

void WritePlane(const TGLPlane& o, TPropertyWriter& w) {
  w.Single("Height", o.Height());
  w.Single("Width", o.Width());
  w.Single("XOffset", o.XOffset());
  if (o.XScope() != 1) w.Single("XScope", o.XScope());
  if (o.XTiles() != 1) w.Integer("XTiles", static_cast<std::int32_t>(o.XTiles()));
  w.Single("YOffset", o.YOffset());
  if (o.YScope() != 1) w.Single("YScope", o.YScope());
  if (o.YTiles() != 1) w.Integer("YTiles", static_cast<std::int32_t>(o.YTiles()));
  if (o.Style() != (psSingleQuad | psTileTexture)) w.Set("Style", SetIdents(kPlaneStyle, o.Style()));
  w.Boolean("NoZWrite", o.NoZWrite);
}

bool ReadPlane(TGLPlane& o, const std::string& name, const TPropertyValue& v) {
  if (name == "Height") {
    o.SetHeight(AsSingle(v));
  } else if (name == "Width") {
    o.SetWidth(AsSingle(v));
  } else if (name == "XOffset") {
    o.SetXOffset(AsSingle(v));
  } else if (name == "XScope") {
    o.SetXScope(AsSingle(v));
  } else if (name == "XTiles") {
    o.SetXTiles(static_cast<std::uint32_t>(AsInteger(v)));
  } else if (name == "YOffset") {
    o.SetYOffset(AsSingle(v));
  } else if (name == "YScope") {
    o.SetYScope(AsSingle(v));
  } else if (name == "YTiles") {
    o.SetYTiles(static_cast<std::uint32_t>(AsInteger(v)));
  } else if (name == "Style") {
    o.SetStyle(static_cast<TPlaneStyles>(SetBits(kPlaneStyle, v)));
  } else if (name == "NoZWrite") {
    o.NoZWrite = AsBoolean(v);
  } else {
    return false;
  }
  return true;
}

void WritePoints(const TGLPoints& o, TPropertyWriter& w) {
  w.Boolean("NoZWrite", o.NoZWrite());
  w.Boolean("Static", o.Static());
  if (o.Size() != 1) w.Single("Size", o.Size());
  if (o.Style() != psSquare) w.Ident("Style", kPointStyle.at(o.Style()));
  const TGLPointParameters& p = o.PointParameters();
  if (p.Enabled()) w.Boolean("PointParameters.Enabled", true);
  if (p.StoresPointParams()) {
    w.Binary("PointParameters.PointParams", [&p](TStream& s) { p.WritePointParams(s); });
  }
  WriteCoordinates(w, "PointParameters.DistanceAttenuation", p.DistanceAttenuation(), {1, 0, 0, 0});
}

bool ReadPoints(TGLPoints& o, const std::string& name, const TPropertyValue& v) {
  if (name == "NoZWrite") {
    o.SetNoZWrite(AsBoolean(v));
  } else if (name == "Static") {
    o.SetStatic(AsBoolean(v));
  } else if (name == "Size") {
    o.SetSize(AsSingle(v));
  } else if (name == "Style") {
    o.SetStyle(static_cast<TGLPointStyle>(IdentIndex(kPointStyle, v)));
  } else if (name == "PointParameters.Enabled") {
    o.PointParameters().SetEnabled(AsBoolean(v));
  } else if (name == "PointParameters.PointParams") {
    TMemoryStream s = BinaryStream(v, 12);
    o.PointParameters().ReadPointParams(s);
  } else if (name == "PointParameters.DistanceAttenuation.Coordinates") {
    TMemoryStream s = BinaryStream(v, 16);
    o.PointParameters().DistanceAttenuation().ReadData(s);
  } else {
    return false;
  }
  return true;
}

void WriteLines(const TGLLines& o, TPropertyWriter& w) {
  if (o.AntiAliased()) w.Boolean("AntiAliased", true);
  WriteColor(w, "LineColor", o.LineColor());
  if (o.LinePattern() != 0xFFFF) w.Integer("LinePattern", o.LinePattern());
  if (o.LineWidth() != 1) w.Single("LineWidth", o.LineWidth());
  WriteColor(w, "NodeColor", o.NodeColor());
  WriteNodes(w, o);
  if (o.NodesAspect() != lnaAxes) w.Ident("NodesAspect", kNodesAspect.at(o.NodesAspect()));
  if (o.NodeSize() != 1) w.Single("NodeSize", o.NodeSize());
  if (o.Division() != 10) w.Integer("Division", o.Division());
  if (o.SplineMode() != lsmLines) w.Ident("SplineMode", kSplineMode.at(o.SplineMode()));
  w.Set("Options", SetIdents(kLinesOptions, o.Options()));
}

bool ReadLines(TGLLines& o, const std::string& name, const TPropertyValue& v) {
  if (name == "AntiAliased") {
    o.SetAntiAliased(AsBoolean(v));
  } else if (name == "LineColor.Color") {
    TMemoryStream s = BinaryStream(v, 16);
    o.LineColor().ReadData(s);
  } else if (name == "LinePattern") {
    o.SetLinePattern(static_cast<std::uint16_t>(AsInteger(v)));
  } else if (name == "LineWidth") {
    o.SetLineWidth(AsSingle(v));
  } else if (name == "NodeColor.Color") {
    TMemoryStream s = BinaryStream(v, 16);
    TGLColor color(nullptr);
    color.ReadData(s);
    o.SetNodeColor(color);
  } else if (name == "Nodes") {
    ReadNodes(o, v);
  } else if (name == "NodesAspect") {
    o.SetNodesAspect(static_cast<TLineNodesAspect>(IdentIndex(kNodesAspect, v)));
  } else if (name == "NodeSize") {
    o.SetNodeSize(AsSingle(v));
  } else if (name == "Division") {
    o.SetDivision(AsInteger(v));
  } else if (name == "SplineMode") {
    o.SetSplineMode(static_cast<TLineSplineMode>(IdentIndex(kSplineMode, v)));
  } else if (name == "Options") {
    o.SetOptions(static_cast<TLinesOptions>(SetBits(kLinesOptions, v)));
  } else {
    return false;
  }
  return true;
}

void WriteSphere(const TGLSphere& o, TPropertyWriter& w) {
  if (o.Normals() != nsSmooth) w.Ident("Normals", kNormalSmoothing.at(o.Normals()));
  if (o.NormalDirection() != ndOutside) w.Ident("NormalDirection", kNormalDirection.at(o.NormalDirection()));
  if (o.Bottom() != -90) w.Integer("Bottom", o.Bottom());
  if (o.BottomCap() != ctNone) w.Ident("BottomCap", kCapType.at(o.BottomCap()));
  w.Single("Radius", o.Radius());
  if (o.Slices() != 16) w.Integer("Slices", o.Slices());
  if (o.Stacks() != 16) w.Integer("Stacks", o.Stacks());
  if (o.Start() != 0) w.Integer("Start", o.Start());
  if (o.Stop() != 360) w.Integer("Stop", o.Stop());
  if (o.Top() != 90) w.Integer("Top", o.Top());
  if (o.TopCap() != ctNone) w.Ident("TopCap", kCapType.at(o.TopCap()));
}

bool ReadSphere(TGLSphere& o, const std::string& name, const TPropertyValue& v) {
  if (name == "Normals") {
    o.SetNormals(static_cast<TNormalSmoothing>(IdentIndex(kNormalSmoothing, v)));
  } else if (name == "NormalDirection") {
    o.SetNormalDirection(static_cast<TNormalDirection>(IdentIndex(kNormalDirection, v)));
  } else if (name == "Bottom") {
    o.SetBottom(static_cast<std::int8_t>(AsInteger(v)));
  } else if (name == "BottomCap") {
    o.SetBottomCap(static_cast<TCapType>(IdentIndex(kCapType, v)));
  } else if (name == "Radius") {
    o.SetRadius(AsSingle(v));
  } else if (name == "Slices") {
    o.SetSlices(AsInteger(v));
  } else if (name == "Stacks") {
    o.SetStacks(AsInteger(v));
  } else if (name == "Start") {
    o.SetStart(static_cast<std::uint16_t>(AsInteger(v)));
  } else if (name == "Stop") {
    o.SetStop(static_cast<std::uint16_t>(AsInteger(v)));
  } else if (name == "Top") {
    o.SetTop(static_cast<std::int8_t>(AsInteger(v)));
  } else if (name == "TopCap") {
    o.SetTopCap(static_cast<TCapType>(IdentIndex(kCapType, v)));
  } else {
    return false;
  }
  return true;
}

void WriteSprite(const TGLSprite& o, TPropertyWriter& w) {
  w.Single("Width", o.Width());
  w.Single("Height", o.Height());
  w.Single("Rotation", o.Rotation());
  if (o.AlphaChannel() != 1) w.Single("AlphaChannel", o.AlphaChannel());
  w.Boolean("NoZWrite", o.NoZWrite());
  w.Boolean("MirrorU", o.MirrorU());
  w.Boolean("MirrorV", o.MirrorV());
}

bool ReadSprite(TGLSprite& o, const std::string& name, const TPropertyValue& v) {
  if (name == "Width") {
    o.SetWidth(AsSingle(v));
  } else if (name == "Height") {
    o.SetHeight(AsSingle(v));
  } else if (name == "Rotation") {
    o.SetRotation(AsSingle(v));
  } else if (name == "AlphaChannel") {
    o.SetAlphaChannel(AsSingle(v));
  } else if (name == "NoZWrite") {
    o.SetNoZWrite(AsBoolean(v));
  } else if (name == "MirrorU") {
    o.SetMirrorU(AsBoolean(v));
  } else if (name == "MirrorV") {
    o.SetMirrorV(AsBoolean(v));
  } else {
    return false;
  }
  return true;
}

void WriteCube(const TGLCube& o, TPropertyWriter& w) {
  // After the base's own binary properties; then the published ones.
  if (o.StoresCubeSize()) w.Binary("CubeSize", [&o](TStream& s) { o.WriteCubeSize(s); });
  if (o.NormalDirection() != ndOutside) w.Ident("NormalDirection", kNormalDirection.at(o.NormalDirection()));
  if (o.Parts() != kAllCubeParts) w.Set("Parts", SetIdents(kCubeParts, o.Parts()));
}

bool ReadCube(TGLCube& o, const std::string& name, const TPropertyValue& v) {
  if (name == "CubeSize") {
    TMemoryStream s = BinaryStream(v, 12);
    o.ReadCubeSize(s);
  } else if (name == "NormalDirection") {
    o.SetNormalDirection(static_cast<TNormalDirection>(IdentIndex(kNormalDirection, v)));
  } else if (name == "Parts") {
    o.SetParts(static_cast<TCubeParts>(SetBits(kCubeParts, v)));
  } else {
    return false;
  }
  return true;
}

void WriteSpaceText(const TGLSpaceText& o, TPropertyWriter& w) {
  if (o.Extrusion() != 0) w.Single("Extrusion", o.Extrusion());
  w.String("Font.Name", o.Font().Name());
  w.Integer("Font.Height", o.Font().Height());
  if (!o.Font().Style().Empty()) w.Set("Font.Style", SetIdents(kFontStyles, o.Font().Style().Bits()));
  if (!o.Text().empty()) w.String("Text", o.Text());
  if (o.AllowedDeviation() != 0) w.Single("AllowedDeviation", o.AllowedDeviation());
  if (o.CharacterRange() != stcrAll) w.Ident("CharacterRange", kCharRange.at(o.CharacterRange()));
  if (o.AspectRatio() != 0) w.Single("AspectRatio", o.AspectRatio());
  if (o.TextHeight() != 0) w.Single("TextHeight", o.TextHeight());
  if (o.Oblique() != 0) w.Single("Oblique", o.Oblique());
  if (o.Adjust().Horz() != haLeft) w.Ident("Adjust.Horz", kHorzAdjust.at(o.Adjust().Horz()));
  if (o.Adjust().Vert() != vaBaseLine) w.Ident("Adjust.Vert", kVertAdjust.at(o.Adjust().Vert()));
}

bool ReadSpaceText(TGLSpaceText& o, const std::string& name, const TPropertyValue& v) {
  auto text = [&v] {
    if (v.tag != vaString && v.tag != vaLString && v.tag != vaUTF8String && v.tag != vaWString) InvalidValue();
    return v.text;
  };
  if (name == "Extrusion") {
    o.SetExtrusion(AsSingle(v));
  } else if (name == "Font.Name") {
    o.Font().SetName(text());
  } else if (name == "Font.Height") {
    o.Font().SetHeight(AsInteger(v));
  } else if (name == "Font.Style") {
    o.Font().SetStyle(TFontStyles::FromBits(static_cast<std::uint8_t>(SetBits(kFontStyles, v))));
  } else if (name == "Text") {
    o.SetText(text());
  } else if (name == "AllowedDeviation") {
    o.SetAllowedDeviation(AsSingle(v));
  } else if (name == "CharacterRange") {
    o.SetCharacterRange(static_cast<TSpaceTextCharRange>(IdentIndex(kCharRange, v)));
  } else if (name == "AspectRatio") {
    o.SetAspectRatio(AsSingle(v));
  } else if (name == "TextHeight") {
    o.SetTextHeight(AsSingle(v));
  } else if (name == "Oblique") {
    o.SetOblique(AsSingle(v));
  } else if (name == "Adjust.Horz") {
    o.Adjust().SetHorz(static_cast<TGLTextHorzAdjust>(IdentIndex(kHorzAdjust, v)));
  } else if (name == "Adjust.Vert") {
    o.Adjust().SetVert(static_cast<TGLTextVertAdjust>(IdentIndex(kVertAdjust, v)));
  } else {
    return false;
  }
  return true;
}

void WriteObject(TPropertyWriter& w, const TGLBaseSceneObject& object) {
  w.ShortString(object.ClassName());
  w.ShortString(object.Name());
  WriteObjectProperties(object, w);
  w.End();
  for (int i = 0; i < object.ChildCount(); ++i) WriteObject(w, *object.ChildAt(i));
  w.End();
}

std::unique_ptr<TGLBaseSceneObject> ReadObject(TPropertyReader& r) {
  const std::string class_name = r.ShortString();
  std::unique_ptr<TGLBaseSceneObject> object = CreateSceneObject(class_name);
  if (object == nullptr) throw EClassNotFound("Class " + class_name + " not found");
  object->SetName(r.ShortString());
  object->Loading();
  for (const auto& [name, value] : r.Properties()) ReadObjectProperty(*object, name, value);
  while (!r.EndOfList()) object->AppendChild(ReadObject(r));
  r.ReadListEnd();
  object->Loaded();
  return object;
}

}  // namespace

// ---- TPropertyWriter

void TPropertyWriter::ShortString(std::string_view text) {
  SceneAssert(text.size() <= 255, "TPropertyWriter: a name longer than 255 bytes");
  const auto length = static_cast<std::uint8_t>(text.size());
  values_.Write(&length, 1);
  values_.Write(text.data(), length);
}

void TPropertyWriter::Integer(std::string_view name, std::int32_t value) {
  ShortString(name);
  values_.WriteInteger(value);
}

void TPropertyWriter::Single(std::string_view name, float value) {
  ShortString(name);
  const std::uint8_t tag = vaSingle;
  values_.Write(&tag, 1);
  values_.Write(&value, 4);
}

void TPropertyWriter::Boolean(std::string_view name, bool value) {
  ShortString(name);
  values_.WriteBoolean(value);
}

void TPropertyWriter::Ident(std::string_view name, std::string_view ident) {
  ShortString(name);
  const std::uint8_t tag = vaIdent;
  values_.Write(&tag, 1);
  ShortString(ident);
}

void TPropertyWriter::Set(std::string_view name, const std::vector<std::string_view>& idents) {
  ShortString(name);
  const std::uint8_t tag = vaSet;
  values_.Write(&tag, 1);
  for (std::string_view ident : idents) ShortString(ident);
  ShortString("");
}

void TPropertyWriter::String(std::string_view name, const std::string& value) {
  ShortString(name);
  values_.WriteString(value);
}

void TPropertyWriter::Binary(std::string_view name, const std::function<void(TStream&)>& write) {
  TMemoryStream data;
  write(data);
  ShortString(name);
  const std::uint8_t tag = vaBinary;
  values_.Write(&tag, 1);
  const auto size = static_cast<std::int32_t>(data.DataString().size());
  values_.Write(&size, 4);
  values_.Write(data.DataString().data(), size);
}

void TPropertyWriter::BeginCollection(std::string_view name) {
  ShortString(name);
  const std::uint8_t tag = vaCollection;
  values_.Write(&tag, 1);
}

// ---- TPropertyReader

std::string TPropertyReader::ShortString() {
  std::uint8_t length = 0;
  values_.Read(&length, 1);
  std::string text(length, '\0');
  values_.Read(text.data(), length);
  return text;
}

TPropertyList TPropertyReader::Properties() {
  TPropertyList list;
  while (!values_.EndOfList()) {
    std::string name = ShortString();
    list.push_back(TProperty{std::move(name), Value()});
  }
  values_.ReadListEnd();
  return list;
}

TPropertyValue TPropertyReader::Value() {
  TPropertyValue v;
  v.tag = values_.NextValue();
  switch (v.tag) {
    case vaInt8:
    case vaInt16:
    case vaInt32:
      v.integer = values_.ReadInteger();
      break;
    case vaExtended:
      v.extended = values_.ReadFloat();
      break;
    case vaFalse:
    case vaTrue:
      values_.ReadBoolean();
      break;
    case vaString:
    case vaLString:
    case vaWString:
    case vaUTF8String:
      v.text = values_.ReadString();
      break;
    case vaSingle:
      values_.Read(&v.tag, 1);
      values_.Read(&v.single, 4);
      break;
    case vaIdent:
      values_.Read(&v.tag, 1);
      v.text = ShortString();
      break;
    case vaBinary: {
      values_.Read(&v.tag, 1);
      std::int32_t size = 0;
      values_.Read(&size, 4);
      if (size < 0 || size > values_.Stream().Remaining()) throw EReadError("Stream read error");
      v.text.resize(static_cast<std::size_t>(size));
      values_.Read(v.text.data(), size);
      break;
    }
    case vaSet:
      values_.Read(&v.tag, 1);
      for (std::string ident = ShortString(); !ident.empty(); ident = ShortString()) v.idents.push_back(ident);
      break;
    case vaCollection:
      values_.Read(&v.tag, 1);
      while (!values_.EndOfList()) {
        values_.ReadListBegin();
        v.items.push_back(Properties());
      }
      values_.ReadListEnd();
      break;
    case vaNil:
      values_.Read(&v.tag, 1);
      break;
    default:
      throw EReadError("Invalid property value");
  }
  return v;
}

float AsSingle(const TPropertyValue& value) {
  switch (value.tag) {
    case vaSingle:
      return value.single;
    case vaExtended:
      return static_cast<float>(value.extended);
    case vaInt8:
    case vaInt16:
    case vaInt32:
      return static_cast<float>(value.integer);
    default:
      InvalidValue();
  }
}

std::int32_t AsInteger(const TPropertyValue& value) {
  if (value.tag != vaInt8 && value.tag != vaInt16 && value.tag != vaInt32) InvalidValue();
  return static_cast<std::int32_t>(value.integer);
}

bool AsBoolean(const TPropertyValue& value) {
  if (value.tag != vaFalse && value.tag != vaTrue) InvalidValue();
  return value.tag == vaTrue;
}

void WriteObjectProperties(const TGLBaseSceneObject& object, TPropertyWriter& writer) {
  WriteBase(object, writer);
  if (const auto* o = dynamic_cast<const TGLDummyCube*>(&object)) {
    WriteDummyCube(*o, writer);
  } else if (const auto* o = dynamic_cast<const TGLPlane*>(&object)) {
    WritePlane(*o, writer);
  } else if (const auto* o = dynamic_cast<const TGLPoints*>(&object)) {
    WritePoints(*o, writer);
  } else if (const auto* o = dynamic_cast<const TGLLines*>(&object)) {
    WriteLines(*o, writer);
  } else if (const auto* o = dynamic_cast<const TGLSphere*>(&object)) {
    WriteSphere(*o, writer);
  } else if (const auto* o = dynamic_cast<const TGLSprite*>(&object)) {
    WriteSprite(*o, writer);
  } else if (const auto* o = dynamic_cast<const TGLCube*>(&object)) {
    WriteCube(*o, writer);
  } else if (const auto* o = dynamic_cast<const TGLSpaceText*>(&object)) {
    WriteSpaceText(*o, writer);
  }
}

void ReadObjectProperty(TGLBaseSceneObject& object, const std::string& name, const TPropertyValue& value) {
  if (ReadBase(object, name, value)) return;
  bool read = false;
  if (auto* o = dynamic_cast<TGLDummyCube*>(&object)) {
    read = ReadDummyCube(*o, name, value);
  } else if (auto* o = dynamic_cast<TGLPlane*>(&object)) {
    read = ReadPlane(*o, name, value);
  } else if (auto* o = dynamic_cast<TGLPoints*>(&object)) {
    read = ReadPoints(*o, name, value);
  } else if (auto* o = dynamic_cast<TGLLines*>(&object)) {
    read = ReadLines(*o, name, value);
  } else if (auto* o = dynamic_cast<TGLSphere*>(&object)) {
    read = ReadSphere(*o, name, value);
  } else if (auto* o = dynamic_cast<TGLSprite*>(&object)) {
    read = ReadSprite(*o, name, value);
  } else if (auto* o = dynamic_cast<TGLCube*>(&object)) {
    read = ReadCube(*o, name, value);
  } else if (auto* o = dynamic_cast<TGLSpaceText*>(&object)) {
    read = ReadSpaceText(*o, name, value);
  }
  if (!read) NoProperty(name);
}

void WriteComponent(TStream& stream, const TGLBaseSceneObject& object) {
  stream.WriteBuffer(kSignature, 4);
  TPropertyWriter writer(stream);
  WriteObject(writer, object);
}

std::unique_ptr<TGLBaseSceneObject> ReadComponent(TStream& stream) {
  char signature[4] = {};
  if (stream.Read(signature, 4) != 4 || std::memcmp(signature, kSignature, 4) != 0) {
    throw EInvalidFileSignature("Invalid stream format");
  }
  TPropertyReader reader(stream);
  return ReadObject(reader);
}

}  // namespace zentrova
