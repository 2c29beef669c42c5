// Form-file streaming of the scene objects of this library: an object with its published properties and
// its children in the binary form layout ("TPF0", class name, object name, properties, end, children,
// end). A property is its name as a short string and a tagged value: integers in the smallest width,
// singles (tag 15, 4 bytes), identifiers (7), booleans (8, 9), strings (6, 12), binary data (10, a
// 4-byte length and the bytes: "Color", "Coordinates", "CubeSize", "PointParams"), sets (11, identifiers
// up to an empty one) and collections (14, each item a list of properties). Nested objects write their
// properties as "Owner.Property". Properties equal to their stream default are left out.
//
// Streamed are each class's own published properties after the base's placement ("Position",
// "Direction", "Up" and "Scale" as "<name>.Coordinates" unless at their defaults), "Visible", "ShowAxes",
// "ObjectsSorting", "VisibilityCulling" and "Hint". Materials are not streamed (the program builds its
// materials in code).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "scene/base/persistent_classes.h"
#include "scene/base/streams.h"
#include "scene/core/scene_object.h"

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

class TPropertyWriter {
 public:
  explicit TPropertyWriter(TStream& stream) : values_(stream) {}

  void ShortString(std::string_view text);  // a length byte and at most 255 bytes
  void Integer(std::string_view name, std::int32_t value);
  void Single(std::string_view name, float value);
  void Boolean(std::string_view name, bool value);
  void Ident(std::string_view name, std::string_view ident);
  void Set(std::string_view name, const std::vector<std::string_view>& idents);
  void String(std::string_view name, const std::string& value);
  void Binary(std::string_view name, const std::function<void(TStream&)>& write);
  void BeginCollection(std::string_view name);
  void BeginItem() { values_.WriteListBegin(); }
  void EndItem() { values_.WriteListEnd(); }
  void EndCollection() { values_.WriteListEnd(); }
  void End() { values_.WriteListEnd(); }

 private:
  TBinaryWriter values_;
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
  std::string text;                // string, identifier or binary bytes
  std::vector<std::string> idents;  // a set's members
  std::vector<TPropertyList> items;  // a collection's items
};

struct TProperty {
  std::string name;
  TPropertyValue value;
};

class TPropertyReader {
 public:
  explicit TPropertyReader(TStream& stream) : values_(stream) {}
  std::string ShortString();
  // Properties up to the end marker.
  TPropertyList Properties();
  TPropertyValue Value();
  bool EndOfList() { return values_.EndOfList(); }
  void ReadListEnd() { values_.ReadListEnd(); }

 private:
  TBinaryReader values_;
};

// The value's number, single or integer; EReadError "Invalid property value" for other kinds.
float AsSingle(const TPropertyValue& value);
std::int32_t AsInteger(const TPropertyValue& value);
bool AsBoolean(const TPropertyValue& value);

// The object's own published properties (not its children).
void WriteObjectProperties(const TGLBaseSceneObject& object, TPropertyWriter& writer);
// One property into the object; EReadError "Property <name> does not exist" for a name the object does
// not publish, "Invalid property value" for a value of the wrong kind.
void ReadObjectProperty(TGLBaseSceneObject& object, const std::string& name, const TPropertyValue& value);

// The signature, then the object with its sub-tree.
void WriteComponent(TStream& stream, const TGLBaseSceneObject& object);
// An object made from its registered class name (EClassNotFound "Class <name> not found" otherwise),
// filled, with its children. EInvalidFileSignature "Invalid stream format" without the signature.
std::unique_ptr<TGLBaseSceneObject> ReadComponent(TStream& stream);

}  // namespace zentrova
