#include "engine/model/key.h"

#include "engine/model/body.h"
#include "engine/model/constant_list.h"
#include "engine/model/expression_names.h"
#include "engine/model/generalized_coordinates.h"
#include "engine/model/model_binding.h"
#include "engine/model/model_text.h"
#include "engine/model/step_state.h"
#include "platform/paths.h"

namespace zentrova {

namespace {

const std::string kNoPart;

bool NeedsQuotes(const std::string& part) {
  for (char c : part) {
    if (static_cast<unsigned char>(c) <= ' ' || c == '"' || c == '.') return true;
  }
  return false;
}

std::string Quoted(const std::string& part) {
  std::string text = "\"";
  for (char c : part) {
    text.push_back(c);
    if (c == '"') text.push_back('"');
  }
  text.push_back('"');
  return text;
}

}  // namespace

std::optional<long double> MassPropertyOf(const TBody& body, std::string_view name) {
  if (name == "m") return body.Mass;
  if (name == "Jxx") return body.Inertia.XX;
  if (name == "Jyy") return body.Inertia.YY;
  if (name == "Jzz") return body.Inertia.ZZ;
  if (name == "Jxy") return body.Inertia.XY;
  if (name == "Jxz") return body.Inertia.XZ;
  if (name == "Jyz") return body.Inertia.YZ;
  return std::nullopt;
}

bool TKey::SetKeyText(std::string_view text) {
  if (text.empty()) return true;
  std::string part;
  for (char c : text) {
    if (c == '`') {
      parts_.push_back(part);
      part.clear();
    } else {
      part.push_back(c);
    }
  }
  parts_.push_back(part);
  return true;
}

const std::string& TKey::Part(std::int32_t i) const {
  return i >= 0 && i < Count() ? parts_[static_cast<std::size_t>(i)] : kNoPart;
}

std::string TKey::DelimitedText() const {
  // A single empty part would vanish in the joined text.
  if (parts_.size() == 1 && parts_[0].empty()) return "\"\"";
  std::string text;
  for (std::size_t i = 0; i < parts_.size(); ++i) {
    if (i > 0) text.push_back('.');
    text += NeedsQuotes(parts_[i]) ? Quoted(parts_[i]) : parts_[i];
  }
  return text;
}

TBody* TKey::FindBody(bool& is_key) const {
  is_key = Part(0) == "b";
  if (!is_key) return nullptr;
  std::int32_t index = -1;
  if (!binding_.Bodies->FindByName(Part(1), index)) return nullptr;
  return &binding_.Bodies->Items(index);
}

std::string TKey::InPlace() const {
  return place_.empty() ? std::string() : " in " + place_;
}

std::string TKey::BodyNames() const {
  const TBodyList& bodies = *binding_.Bodies;
  const std::vector<std::string>& files = *binding_.BodyFileNames;
  std::string names;
  for (std::int32_t b = 0; b < bodies.Count(); ++b) {
    if (b > 0) names += ", ";
    const std::string& name = bodies.Items(b).Name;
    const auto k = static_cast<std::size_t>(b);
    if (!name.empty()) {
      names += EchoedText(name);
    } else {
      names += "none (body file " + (k < files.size() ? ExtractFileName(files[k]) : std::string("?")) +
               " gives no name)";
    }
  }
  return names.empty() ? std::string("none") : names;
}

std::optional<TCoordinateComponent> TKey::CoordinateComponent() const {
  const auto component = CoordinateComponentByName(Part(2));
  if (!component) {
    binding_.Log->AddLine("[Error] Body position pointer of " + EchoedText(DelimitedText()) +
                          " was not set: " + (Part(2).empty() ? std::string("\"\"") : EchoedText(Part(2))) +
                          " is none of x, y, z, Rx, Ry, Rz" + InPlace() + ".");
  }
  return component;
}

bool TKey::LinkBodyCoordinates(std::uint32_t i) {
  bool is_key = false;
  TBody* body = FindBody(is_key);
  if (!is_key) return false;
  if (body == nullptr) {
    binding_.Log->AddLine(
        "[Error] Body " + EchoedText(Part(1)) +
        " coordinate not found/created. Name of body (defined in bdy file) is used for the body "
        "coordinates. " +
        (place_.empty() ? std::string("No body") : "In " + place_ + ", no body") + " is named " + EchoedText(Part(1)) +
        "; the bodies are " + BodyNames() + ".");
    return false;
  }
  const auto component = CoordinateComponent();
  if (!component) return false;
  return LinkToGeneralizedCoordinate(body->Kinematics, body->Links, *component, binding_.State->Evaluated, i);
}

bool TKey::CopyStartValues(std::uint32_t i) {
  bool is_key = false;
  TBody* body = FindBody(is_key);
  if (!is_key) return false;
  if (body == nullptr) {
    binding_.Log->AddLine("[Error] Body " + Part(1) + " not found/created." +
                          (place_.empty() ? std::string() : " In " + place_ + "."));
    return false;
  }
  const auto component = CoordinateComponent();
  if (!component) return false;
  TCoordinateList& evaluated = binding_.State->Evaluated;
  if (i >= evaluated.Count()) return false;
  // The own values: the pointers may already aim at these very elements.
  evaluated.Q.SetAt(i, body->Kinematics.Position[*component].Value);
  evaluated.QDot.SetAt(i, body->Kinematics.Velocity[*component].Value);
  evaluated.QDDot.SetAt(i, body->Kinematics.Acceleration[*component].Value);
  return true;
}

bool TKey::LinkMassProperty(long double& value) const {
  bool is_key = false;
  const TBody* body = FindBody(is_key);
  if (!is_key) return false;
  if (body == nullptr) {
    binding_.Log->AddLine("[Error] Body " + Part(1) + " not created.");
    return false;
  }
  const auto property = MassPropertyOf(*body, Part(2));
  if (!property) {
    binding_.Log->AddLine("[Error] MassMatrix value " + DelimitedText() + " was not set.");
    return false;
  }
  value = *property;
  return true;
}

}  // namespace zentrova
