// The form stream: a component with its published properties and its children in the binary form layout
// ("TPF0", class name, object name, properties, end, children, end). A property is its name as a short
// string and a tagged value: integers in the smallest width, singles (tag 15, 4 bytes), identifiers (7),
// booleans (8, 9), strings (6, 12), binary data (10, a 4-byte length and the bytes), sets (11,
// identifiers up to an empty one) and collections (14, each item a list of properties). Nested objects
// write their properties as "Owner.Property". Properties equal to their stream default are left out.
//
// Each class streams its own published properties through TPersistent::WriteProperties and
// ReadProperty (object_base.h), chained to its base class's; WriteComponent and ReadComponent walk
// those and the components' children (TComponent::GetChildren and ReadChild).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "scene/base/component.h"
#include "scene/base/persistent_classes.h"
#include "scene/base/scene_errors.h"
#include "scene/base/streams.h"

namespace zentrova {

// The value tags that the archive format of persistent_classes.h does not name.
enum TFormValueTag : std::uint8_t {
  vaIdent = 7,
  vaBinary = 10,
  vaSet = 11,
  vaNil = 13,
  vaCollection = 14,
  vaSingle = 15,
};

// The identifiers of an enumeration's values (or of a set's members), in the order of their numbers.
template <std::size_t N>
using TIdentNames = std::array<const char*, N>;

class TPropertyWriter {
 public:
  explicit TPropertyWriter(TStream& stream) : values_(stream) {}

  void ShortString(std::string_view text);  // a length byte and at most 255 bytes
  void Integer(std::string_view name, std::int32_t value);
  void Single(std::string_view name, float value);
  void Extended(std::string_view name, long double value);  // tag 5, 10 bytes (doubles are streamed so)
  void Boolean(std::string_view name, bool value);
  void Ident(std::string_view name, std::string_view ident);
  void Set(std::string_view name, const std::vector<std::string_view>& idents);
  void String(std::string_view name, const std::string& value);
  void Binary(std::string_view name, const std::function<void(TStream&)>& write);
  // An enumeration's value as its identifier.
  template <class E, std::size_t N>
  void Enum(std::string_view name, const TIdentNames<N>& names, E value) {
    Ident(name, names.at(static_cast<std::size_t>(value)));
  }
  // A set whose bit i stands for names[i].
  template <std::size_t N>
  void SetOf(std::string_view name, const TIdentNames<N>& names, unsigned bits);
  // A property object's binary data ("<name>" holding what object.WriteData writes).
  template <class T>
  void Data(std::string_view name, const T& object) {
    Binary(name, [&object](TStream& s) { object.WriteData(s); });
  }
  // A reference to another component of the form, as its name (nothing for nullptr or an unnamed one).
  void Reference(std::string_view name, const TComponent* component);
  // A nested object's published properties, each named "<prefix>.<property>".
  void Nested(std::string_view prefix, const TPersistent& object);

  // A collection: each item's published properties as one list (item names carry no prefix).
  void Items(std::string_view name, const std::vector<const TPersistent*>& items);

  void BeginCollection(std::string_view name);
  void BeginItem() { values_.WriteListBegin(); }
  void EndItem() { values_.WriteListEnd(); }
  void EndCollection() { values_.WriteListEnd(); }
  void End() { values_.WriteListEnd(); }

 private:
  // A property's name with the prefixes of the nested objects being written.
  void Name(std::string_view name);

  TBinaryWriter values_;
  std::string prefix_;
};

struct TProperty;
// A property list (one object's or one collection item's) as read, in stream order.
using TPropertyList = std::vector<TProperty>;

// One property value as read.
struct TPropertyValue {
  std::uint8_t tag = 0;
  std::int64_t integer = 0;
  float single = 0;
  long double extended = 0;
  std::string text;                  // string, identifier or binary bytes
  std::vector<std::string> idents;   // a set's members
  std::vector<TPropertyList> items;  // a collection's items
};

struct TProperty {
  std::string name;
  TPropertyValue value;
};

class TPropertyReader {
 public:
  // Collections in collections and components in components go at most this deep together: every
  // level takes stack, and four bytes a level would let a small damaged form take all of it.
  static constexpr int kMaxNesting = 256;

  // One level deeper while it lives; EReadError past kMaxNesting.
  class TNesting {
   public:
    explicit TNesting(TPropertyReader& reader);
    TNesting(const TNesting&) = delete;
    TNesting& operator=(const TNesting&) = delete;
    ~TNesting() { --depth_; }

   private:
    int& depth_;
  };

  explicit TPropertyReader(TStream& stream) : values_(stream) {}
  std::string ShortString();
  // Properties up to the end marker.
  TPropertyList Properties();
  TPropertyValue Value();
  bool EndOfList() { return values_.EndOfList(); }
  void ReadListEnd() { values_.ReadListEnd(); }

 private:
  TBinaryReader values_;
  int depth_ = 0;
};

// EReadError "Invalid property value" (a value of the wrong kind) and "Property <name> does not exist".
[[noreturn]] void RaiseInvalidPropertyValue();
[[noreturn]] void RaiseNoProperty(const std::string& name);

// The value's number, single or integer; EReadError "Invalid property value" for other kinds (likewise
// below).
float AsSingle(const TPropertyValue& value);
std::int32_t AsInteger(const TPropertyValue& value);
// An extended, single or integer.
long double AsExtended(const TPropertyValue& value);
bool AsBoolean(const TPropertyValue& value);
// A string of any width.
std::string AsString(const TPropertyValue& value);
// Binary data of exactly `size` bytes, as a stream to read it from.
TMemoryStream AsBinary(const TPropertyValue& value, std::size_t size);

// The index of an identifier value in `names`.
template <std::size_t N>
int IdentIndex(const TIdentNames<N>& names, const TPropertyValue& value) {
  if (value.tag != vaIdent) RaiseInvalidPropertyValue();
  for (std::size_t i = 0; i < N; ++i) {
    if (value.text == names[i]) return static_cast<int>(i);
  }
  RaiseInvalidPropertyValue();
}
template <class E, std::size_t N>
E AsEnum(const TIdentNames<N>& names, const TPropertyValue& value) {
  return static_cast<E>(IdentIndex(names, value));
}

// The members of a set, as identifiers, and back.
template <std::size_t N>
std::vector<std::string_view> SetIdents(const TIdentNames<N>& names, unsigned bits) {
  std::vector<std::string_view> idents;
  for (std::size_t i = 0; i < N; ++i) {
    if ((bits & (1u << i)) != 0) idents.emplace_back(names[i]);
  }
  return idents;
}
template <std::size_t N>
unsigned SetBits(const TIdentNames<N>& names, const TPropertyValue& value) {
  if (value.tag != vaSet) RaiseInvalidPropertyValue();
  unsigned bits = 0;
  for (const std::string& ident : value.idents) {
    bool found = false;
    for (std::size_t i = 0; i < N; ++i) {
      if (ident == names[i]) {
        bits |= 1u << i;
        found = true;
      }
    }
    if (!found) RaiseInvalidPropertyValue();
  }
  return bits;
}

template <std::size_t N>
void TPropertyWriter::SetOf(std::string_view name, const TIdentNames<N>& names, unsigned bits) {
  Set(name, SetIdents(names, bits));
}

// Reads `value` into the property object's data (object.ReadData) when it is `size` bytes of binary data.
template <class T>
void ReadData(T& object, const TPropertyValue& value, std::size_t size) {
  TMemoryStream stream = AsBinary(value, size);
  object.ReadData(stream);
}

// A property named "<prefix>.<rest>" into the nested object's ReadProperty(rest); false for other names.
bool ReadNested(std::string_view prefix, TPersistent& object, const std::string& name, const TPropertyValue& value);

// A reference property read (an identifier naming a component of the form): `assign` receives the
// component once the whole form has been read, when a component of that name (compared without regard to
// letter case) and of class T is in it; a name that is not found leaves the reference unset, a component
// of another class raises EReadError "Invalid property value". Outside ReadComponent nothing is found.
void ReadReference(const TPropertyValue& value, std::function<void(TComponent&)> assign);
template <class T>
void ReadReference(const TPropertyValue& value, std::function<void(T*)> assign) {
  ReadReference(value, [assign = std::move(assign)](TComponent& component) {
    auto* typed = dynamic_cast<T*>(&component);
    if (typed == nullptr) RaiseInvalidPropertyValue();
    assign(typed);
  });
}

// A collection value: for each item read, `add` makes the item, which then reads its properties.
void ReadItems(const TPropertyValue& value, const std::function<TPersistent&()>& add);

// One property into the object; EReadError "Property <name> does not exist" for a name it does not
// publish, "Invalid property value" for a value of the wrong kind.
void ReadObjectProperty(TPersistent& object, const std::string& name, const TPropertyValue& value);

// The signature, then the component with its children.
void WriteComponent(TStream& stream, const TComponent& component);
// A component made from its registered class name (EClassNotFound "Class <name> not found" otherwise),
// filled, with its children. EInvalidFileSignature "Invalid stream format" without the signature; a child
// its parent does not take raises EReadError "<child class> cannot be a child of <parent class>".
std::unique_ptr<TComponent> ReadComponent(TStream& stream);
// Same, for a component of class T (EReadError "Invalid class typecast" for another class).
template <class T>
std::unique_ptr<T> ReadComponentAs(TStream& stream) {
  std::unique_ptr<TComponent> component = ReadComponent(stream);
  auto* typed = dynamic_cast<T*>(component.get());
  if (typed == nullptr) throw EReadError("Invalid class typecast");
  component.release();
  return std::unique_ptr<T>(typed);
}

}  // namespace zentrova
