#include "scene/base/property_stream.h"

#include <cstring>
#include <strings.h>

#include "scene/base/class_registration.h"

namespace zentrova {

namespace {

constexpr char kSignature[4] = {'T', 'P', 'F', '0'};

// The references read so far from the form being read, resolved once it is whole.
struct TReferenceFixup {
  std::string name;
  std::function<void(TComponent&)> assign;
};
thread_local std::vector<TReferenceFixup>* pending_references = nullptr;

TComponent* FindInForm(TComponent& component, const std::string& name) {
  if (!component.Name().empty() && strcasecmp(component.Name().c_str(), name.c_str()) == 0) return &component;
  for (const TComponent* child : component.GetChildren()) {
    if (TComponent* found = FindInForm(const_cast<TComponent&>(*child), name)) return found;
  }
  return nullptr;
}

void WriteComponentTree(TPropertyWriter& w, const TComponent& component) {
  w.ShortString(component.ClassName());
  w.ShortString(component.Name());
  component.WriteProperties(w);
  w.End();
  for (const TComponent* child : component.GetChildren()) WriteComponentTree(w, *child);
  w.End();
}

std::unique_ptr<TComponent> ReadComponentTree(TPropertyReader& r) {
  const TPropertyReader::TNesting level(r);
  const std::string class_name = r.ShortString();
  const TComponentFactory factory = GetComponentClass(class_name);
  if (factory == nullptr) throw EClassNotFound("Class " + class_name + " not found");
  std::unique_ptr<TComponent> component = factory();
  component->SetName(r.ShortString());
  component->Loading();
  for (const auto& [name, value] : r.Properties()) ReadObjectProperty(*component, name, value);
  while (!r.EndOfList()) {
    std::unique_ptr<TComponent> child = ReadComponentTree(r);
    if (!component->ReadChild(child)) {
      throw EReadError(std::string(child->ClassName()) + " cannot be a child of " + component->ClassName());
    }
  }
  r.ReadListEnd();
  component->Loaded();
  return component;
}

}  // namespace

void RaiseInvalidPropertyValue() {
  throw EReadError("Invalid property value");
}

void RaiseNoProperty(const std::string& name) {
  throw EReadError("Property " + name + " does not exist");
}

// ---- TPropertyWriter

void TPropertyWriter::ShortString(std::string_view text) {
  SceneAssert(text.size() <= 255, "TPropertyWriter: a name longer than 255 bytes");
  const auto length = static_cast<std::uint8_t>(text.size());
  values_.Write(&length, 1);
  values_.Write(text.data(), length);
}

void TPropertyWriter::Name(std::string_view name) {
  if (prefix_.empty()) {
    ShortString(name);
  } else {
    ShortString(prefix_ + std::string(name));
  }
}

void TPropertyWriter::Integer(std::string_view name, std::int32_t value) {
  Name(name);
  values_.WriteInteger(value);
}

void TPropertyWriter::Single(std::string_view name, float value) {
  Name(name);
  const std::uint8_t tag = vaSingle;
  values_.Write(&tag, 1);
  values_.Write(&value, 4);
}

void TPropertyWriter::Extended(std::string_view name, long double value) {
  Name(name);
  values_.WriteFloat(value);
}

void TPropertyWriter::Reference(std::string_view name, const TComponent* component) {
  if (component != nullptr && !component->Name().empty()) Ident(name, component->Name());
}

void TPropertyWriter::Boolean(std::string_view name, bool value) {
  Name(name);
  values_.WriteBoolean(value);
}

void TPropertyWriter::Ident(std::string_view name, std::string_view ident) {
  Name(name);
  const std::uint8_t tag = vaIdent;
  values_.Write(&tag, 1);
  ShortString(ident);
}

void TPropertyWriter::Set(std::string_view name, const std::vector<std::string_view>& idents) {
  Name(name);
  const std::uint8_t tag = vaSet;
  values_.Write(&tag, 1);
  for (std::string_view ident : idents) ShortString(ident);
  ShortString("");
}

void TPropertyWriter::String(std::string_view name, const std::string& value) {
  Name(name);
  values_.WriteString(value);
}

void TPropertyWriter::Binary(std::string_view name, const std::function<void(TStream&)>& write) {
  TMemoryStream data;
  write(data);
  Name(name);
  const std::uint8_t tag = vaBinary;
  values_.Write(&tag, 1);
  const auto size = static_cast<std::int32_t>(data.DataString().size());
  values_.Write(&size, 4);
  values_.Write(data.DataString().data(), size);
}

void TPropertyWriter::Nested(std::string_view prefix, const TPersistent& object) {
  const std::size_t outer = prefix_.size();
  prefix_.append(prefix).push_back('.');
  // The prefix is restored on every path: a writer that threw is not used again, but stays sound.
  struct Restore {
    std::string& prefix;
    std::size_t size;
    ~Restore() { prefix.resize(size); }
  } restore{prefix_, outer};
  object.WriteProperties(*this);
}

void TPropertyWriter::Items(std::string_view name, const std::vector<const TPersistent*>& items) {
  BeginCollection(name);
  std::string outer = std::exchange(prefix_, {});
  struct Restore {
    std::string& prefix;
    std::string& outer;
    ~Restore() { prefix = std::move(outer); }
  } restore{prefix_, outer};
  for (const TPersistent* item : items) {
    BeginItem();
    item->WriteProperties(*this);
    EndItem();
  }
  EndCollection();
}

void TPropertyWriter::BeginCollection(std::string_view name) {
  Name(name);
  const std::uint8_t tag = vaCollection;
  values_.Write(&tag, 1);
}

// ---- TPropertyReader

TPropertyReader::TNesting::TNesting(TPropertyReader& reader) : depth_(reader.depth_) {
  if (depth_ >= kMaxNesting) {
    throw EReadError("Form nested deeper than " + std::to_string(kMaxNesting) + " levels");
  }
  ++depth_;
}

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
    case vaCollection: {
      const TNesting level(*this);
      values_.Read(&v.tag, 1);
      while (!values_.EndOfList()) {
        values_.ReadListBegin();
        v.items.push_back(Properties());
      }
      values_.ReadListEnd();
      break;
    }
    case vaNil:
      values_.Read(&v.tag, 1);
      break;
    default:
      RaiseInvalidPropertyValue();
  }
  return v;
}

// ---- Values

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
      RaiseInvalidPropertyValue();
  }
}

std::int32_t AsInteger(const TPropertyValue& value) {
  if (value.tag != vaInt8 && value.tag != vaInt16 && value.tag != vaInt32) RaiseInvalidPropertyValue();
  return static_cast<std::int32_t>(value.integer);
}

long double AsExtended(const TPropertyValue& value) {
  if (value.tag == vaExtended) return value.extended;
  return AsSingle(value);
}

bool AsBoolean(const TPropertyValue& value) {
  if (value.tag != vaFalse && value.tag != vaTrue) RaiseInvalidPropertyValue();
  return value.tag == vaTrue;
}

std::string AsString(const TPropertyValue& value) {
  if (value.tag != vaString && value.tag != vaLString && value.tag != vaUTF8String && value.tag != vaWString) {
    RaiseInvalidPropertyValue();
  }
  return value.text;
}

TMemoryStream AsBinary(const TPropertyValue& value, std::size_t size) {
  if (value.tag != vaBinary || value.text.size() != size) RaiseInvalidPropertyValue();
  return TMemoryStream(value.text);
}

bool ReadNested(std::string_view prefix, TPersistent& object, const std::string& name, const TPropertyValue& value) {
  if (name.size() <= prefix.size() + 1 || name.compare(0, prefix.size(), prefix) != 0 || name[prefix.size()] != '.') {
    return false;
  }
  return object.ReadProperty(name.substr(prefix.size() + 1), value);
}

void ReadReference(const TPropertyValue& value, std::function<void(TComponent&)> assign) {
  if (value.tag != vaIdent) RaiseInvalidPropertyValue();
  if (pending_references != nullptr) pending_references->push_back({value.text, std::move(assign)});
}

void ReadItems(const TPropertyValue& value, const std::function<TPersistent&()>& add) {
  if (value.tag != vaCollection) RaiseInvalidPropertyValue();
  for (const TPropertyList& properties : value.items) {
    TPersistent& item = add();
    for (const auto& [name, v] : properties) ReadObjectProperty(item, name, v);
  }
}

void ReadObjectProperty(TPersistent& object, const std::string& name, const TPropertyValue& value) {
  if (!object.ReadProperty(name, value)) RaiseNoProperty(name);
}

void WriteComponent(TStream& stream, const TComponent& component) {
  stream.WriteBuffer(kSignature, 4);
  TPropertyWriter writer(stream);
  WriteComponentTree(writer, component);
}

std::unique_ptr<TComponent> ReadComponent(TStream& stream) {
  char signature[4] = {};
  if (stream.Read(signature, 4) != 4 || std::memcmp(signature, kSignature, 4) != 0) {
    throw EInvalidFileSignature("Invalid stream format");
  }
  TPropertyReader reader(stream);
  std::vector<TReferenceFixup> references;
  std::vector<TReferenceFixup>* const outer = std::exchange(pending_references, &references);
  struct Restore {
    std::vector<TReferenceFixup>* outer;
    ~Restore() { pending_references = outer; }
  } restore{outer};
  std::unique_ptr<TComponent> component = ReadComponentTree(reader);
  pending_references = outer;
  for (TReferenceFixup& reference : references) {
    if (TComponent* found = FindInForm(*component, reference.name)) reference.assign(*found);
  }
  return component;
}

}  // namespace zentrova
