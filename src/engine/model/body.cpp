#include "engine/model/body.h"

#include <algorithm>
#include <cmath>

#include "engine/model/model_text.h"
#include "engine/model/world_settings.h"
#include "numerics/fast_trig.h"
#include "platform/ini_file.h"
#include "platform/number_text.h"
#include "platform/paths.h"
#include "platform/settings.h"
#include "platform/strings.h"

namespace zentrova {

namespace {

const char* const kMain = "Main";
const char* const kMassProperties = "Mass properties";
const char* const kStartPosition = "startPosition";
const char* const kStartVelocity = "startVelocity";

void ReadCoordinates(TSettingsReader& reader, const char* section, TCoordinates& coordinates) {
  for (int i = 0; i < kCoordinateComponents; ++i) {
    const auto c = static_cast<TCoordinateComponent>(i);
    const char* const key = CoordinateComponentName(c);
    coordinates[c].Value = reader.Float(section, key, 0);
    reader.Check(section, key, coordinates[c].Value, TValueRule::Finite);
  }
}

// The items of a colour text: separated by blanks or tabs, and by commas unless the comma is the
// decimal separator (then "0,5 0 1" must stay three numbers).
std::vector<std::string> ColorItems(const std::string& text) {
  const bool comma_separates = DecimalSeparator() != ',';
  std::vector<std::string> items;
  std::string item;
  for (char c : text) {
    if (c == ' ' || c == '\t' || (comma_separates && c == ',')) {
      if (!item.empty()) items.push_back(item);
      item.clear();
    } else {
      item.push_back(c);
    }
  }
  if (!item.empty()) items.push_back(item);
  return items;
}

}  // namespace

TBody::TBody(const TWorldSettings& settings, ILogSink& log)
    : Solid(this, log), settings_(settings), log_(log) {}

bool TBody::ReadColor(const std::string& text, const std::string& file, std::size_t line) {
  const std::vector<std::string> items = ColorItems(text);
  long double rgb[3] = {0, 0, 0};
  bool ok = items.size() >= 3;
  for (std::size_t i = 0; ok && i < 3; ++i) ok = TryTextToFloat(items[i], rgb[i]) && std::isfinite(rgb[i]);
  if (!ok) {
    log_.AddLine("[Error] RGBColor of body " + Name + " in file " + file +
                 (line == 0 ? std::string() : " line " + IntToText(static_cast<std::int64_t>(line))) +
                 " must hold three numbers: " + EchoedText(text) + "." + DecimalSeparatorHint(text));
    return false;
  }
  // The view clamps what it draws; the body file still says something other than it means.
  if (std::any_of(std::begin(rgb), std::end(rgb), [](long double c) { return c < 0 || c > 1; })) {
    log_.AddLine("[Alert] RGBColor of body " + Name + " in file " + file +
                 " has a component outside 0 to 1: " + text + ". The view draws it clamped to 0 to 1.");
  }
  Red = rgb[0];
  Green = rgb[1];
  Blue = rgb[2];
  return true;
}

bool TBody::ReadBodyFile(const std::string& FileName) {
  const std::string path = FindFile(ToNativeSeparators(FileName));
  if (path.empty()) {
    log_.AddLine(WithPlace("[Error] No body file found. Check working directory.", FileName));
    return false;
  }
  const TIniFile ini(path);
  if (!AcceptNulFreeText(ini.FirstLineWithNul(), path, log_)) return false;
  TSettingsReader r(ini, "bdy", path, log_);
  Name = ini.ReadString(kMain, "name", "");
  VirtualToBody = ini.ReadString(kMain, "virtualToBody", "");
  if (!ReadColor(ini.ReadString(kMain, "RGBColor", "1 0 0"), ExtractFileName(path), ini.LineOf(kMain, "RGBColor")))
    return false;
  ShapeType = ini.ReadString(kMain, "shapeType", "");
  // A misspelt shape type would leave the body without outline or mass, to fall through every other.
  const bool has_shape = LowerCase(ShapeType) == "extrusionsolid";
  if (!has_shape && !ShapeType.empty() && LowerCase(ShapeType) != "none") {
    r.Refuse(kMain, "shapeType", "extrusionsolid or none");
  }
  ShapeFile = ToNativeSeparators(ini.ReadString(kMain, "shapeFile", ""));
  Density = r.Float(kMain, "density", 0);
  Thickness = r.Float(kMain, "thickness", 0);
  SkinThickness = r.Float(kMain, "skinThickness", 0);
  r.Check(kMain, "skinThickness", SkinThickness, TValueRule::NotNegative);
  CorrectOrigin = r.Bool(kMain, "correctOrigin", true);
  MaximumDisplacementFactor =
      r.Float(kMain, "maximumDisplacementFactor", settings_.MaximumDisplacementFactor);
  r.Check(kMain, "maximumDisplacementFactor", MaximumDisplacementFactor, TValueRule::NotNegative);
  Mass = r.Float(kMassProperties, "mass", 0);
  r.Check(kMassProperties, "mass", Mass, TValueRule::NotNegative);
  const struct {
    const char* key;
    long double& value;
    TValueRule rule;
  } inertia[] = {
      {"inertiaXX", Inertia.XX, TValueRule::Finite}, {"inertiaXY", Inertia.XY, TValueRule::Finite},
      {"inertiaXZ", Inertia.XZ, TValueRule::Finite}, {"inertiaYY", Inertia.YY, TValueRule::Finite},
      {"inertiaYZ", Inertia.YZ, TValueRule::Finite}, {"inertiaZZ", Inertia.ZZ, TValueRule::NotNegative}};
  for (const auto& component : inertia) {
    component.value = r.Float(kMassProperties, component.key, 0);
    r.Check(kMassProperties, component.key, component.value, component.rule);
  }
  // Mass and inertia that the file leaves to be computed come from the outline's area times thickness
  // times density: there only values above 0 make a body that can move.
  const bool computed = has_shape && VirtualToBody.empty() && (Mass == 0 || Inertia.ZZ == 0);
  const TValueRule rule = computed ? TValueRule::Positive : TValueRule::NotNegative;
  r.Check(kMain, "thickness", Thickness, rule);
  r.Check(kMain, "density", Density, rule);
  ReadCoordinates(r, kStartPosition, Kinematics.Position);
  ReadCoordinates(r, kStartVelocity, Kinematics.Velocity);
  if (!r.Ok()) return false;
  if (SkinThickness != 0) {
    log_.AddLine("[Alert] skinThickness of body " + Name +
                 " explicitely defined to: " + FloatToText(SkinThickness) + ".");
  } else {
    SkinThickness = settings_.MaximumPenetration * kSkinThicknessPerPenetration;
  }
  return true;
}

bool TBody::Load(const std::string& FileName) {
  if (!ReadBodyFile(FileName)) return false;
  HasShape = LowerCase(ShapeType) == "extrusionsolid";
  // The frame's name and the name texture belong to the scene; without one there is nothing to name.
  if (HasShape) {
    // A virtual body keeps its outline where the file puts it: it has no mass of its own to centre.
    const bool correct = CorrectOrigin && VirtualToBody.empty();
    // Beside the body file, which lies in the working directory or a folder of it.
    if (!Solid.Load(ExtractFilePath(ToNativeSeparators(FileName)) + ShapeFile, correct, SkinThickness,
                    settings_.PointsPerBoundingBox)) {
      return false;
    }
  }
  ComputeMassProperties();
  // Appearance and control-tree nodes follow once the world has a scene and a tree.
  return true;
}

void TBody::ComputeMassProperties() {
  const bool is_virtual = !VirtualToBody.empty();

  if (Mass != 0) {
    log_.AddLine("[Alert] mass of body " + Name + " explicitely defined to: " + FloatToText(Mass) + ".");
  } else if (HasShape) {
    Mass = Solid.Area * Thickness * Density;
  }
  if (is_virtual) Mass = 0;

  if (HasShape) {
    // Aimed at the solid's own values, so a later recomputation of the centre shows here too.
    CentreOfGravity.X.ValuePtr = &Solid.CentreOfGravity.X.Value;
    CentreOfGravity.Y.ValuePtr = &Solid.CentreOfGravity.Y.Value;
    CentreOfGravity.Z.Set(0);
  }

  const struct {
    const char* name;
    long double value;
  } explicit_components[] = {
      {"XX", Inertia.XX}, {"XY", Inertia.XY}, {"XZ", Inertia.XZ}, {"YY", Inertia.YY}, {"YZ", Inertia.YZ}};
  for (const auto& component : explicit_components) {
    if (component.value != 0) {
      log_.AddLine("[Alert] mass moment of inertia " + std::string(component.name) + " of body " + Name +
                   " explicitely defined to: " + FloatToText(component.value) + ".");
    }
  }
  if (Inertia.ZZ != 0) {
    log_.AddLine("[Alert] mass moment of inertia ZZ of body " + Name +
                 " explicitely defined to: " + FloatToText(Inertia.ZZ) + ".");
  } else if (HasShape) {
    Inertia.ZZ = Solid.PolarMoment * Thickness * Density;
  }
  if (is_virtual) Inertia = TMassMomentOfInertia{};

  Radius = 0;
  ExtentX = 0;
  ExtentY = 0;
  if (HasShape) {
    const TFloatList& x = Solid.Shape.X;
    const TFloatList& y = Solid.Shape.Y;
    long double r2 = 0;
    for (std::uint32_t i = 0; i < x.Count(); ++i) {
      r2 = std::max(r2, x.Data()[i] * x.Data()[i] + y.Data()[i] * y.Data()[i]);
    }
    // Measured from the mid-plane of the extrusion.
    Radius = std::sqrt(r2 + (Thickness / 2) * (Thickness / 2));
    ExtentY = y.Max() - y.Min();
    ExtentX = x.Max() - x.Min();
  }
}

bool TBody::UpdateRotation() {
  if (!HasShape) return false;
  const long double rz = Kinematics.Position.Rz.Get();
  const long double c = CachedCos(rz);
  const long double s = CachedSin(rz);
  Solid.CosRz = c;
  Solid.SinRz = s;
  if (c > 0 && s >= 0) {
    Solid.Quadrant = 1;
  } else if (c <= 0 && s > 0) {
    Solid.Quadrant = 2;
  } else if (c < 0 && s <= 0) {
    Solid.Quadrant = 3;
  } else {
    Solid.Quadrant = 4;
  }
  return true;
}

bool TBodyList::FindByName(const std::string& name, std::int32_t& index) const {
  for (std::size_t i = 0; i < items_.size(); ++i) {
    if (items_[i]->Name == name) {
      index = static_cast<std::int32_t>(i);
      return true;
    }
  }
  return false;
}

void TBodyList::AddNames(std::vector<std::string>& names) const {
  for (const auto& body : items_) names.push_back(body->Name);
}

void TBodyList::UpdateLinks() {
  for (const auto& body : items_) body->Links.UpdateDependent();
}

}  // namespace zentrova
