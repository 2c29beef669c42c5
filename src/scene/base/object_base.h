// Roots of the scene library's object model: every object knows its class name (archives and
// messages name classes), and persistent objects can copy their content from one another.
#pragma once

#include <string>

#include "scene/base/class_name.h"

namespace zentrova {

class TPropertyWriter;
struct TPropertyValue;

class TObject {
 public:
  TObject() = default;
  // Objects have identity: they are handed around by pointer, never copied.
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;
  virtual ~TObject() = default;

  virtual const char* ClassName() const { return "TObject"; }
};

class TPersistent : public TObject {
 public:
  ZENTROVA_CLASS(TPersistent)

  // Copies the content of `source` into this object; a class that cannot take it raises
  // EConvertError "Cannot assign a <source class> to a <this class>".
  virtual void Assign(const TPersistent* source);
  // The object that owns this one in the object model (its collection, component or holder), if any.
  virtual TPersistent* GetOwner() const { return nullptr; }
  // The name under which this object is known in messages; its class name by default.
  virtual std::string GetNamePath() const { return ClassName(); }

  // The published properties in a form stream (property_stream.h). An override writes its base class's
  // first, then its own, each only where it differs from its stream default:
  //   void TGLFoo::WriteProperties(TPropertyWriter& writer) const {
  //     TGLBar::WriteProperties(writer);
  //     if (size_ != 1) writer.Single("Size", size_);
  //   }
  virtual void WriteProperties(TPropertyWriter& writer) const {}
  // One published property read from a form: an override takes its own names and hands the others to its
  // base class. False when no class of the chain publishes `name`; a value of the wrong kind raises
  // EReadError "Invalid property value".
  //   bool TGLFoo::ReadProperty(const std::string& name, const TPropertyValue& value) {
  //     if (name == "Size") {
  //       SetSize(AsSingle(value));
  //       return true;
  //     }
  //     return TGLBar::ReadProperty(name, value);
  //   }
  virtual bool ReadProperty(const std::string& name, const TPropertyValue& value) { return false; }

 protected:
  // The second chance of Assign: the source may know how to fill `dest`.
  virtual void AssignTo(TPersistent* dest) const;
  [[noreturn]] void AssignError(const TPersistent* source) const;
};

}  // namespace zentrova
