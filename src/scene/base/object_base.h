// Roots of the scene library's object model: every object knows its class name (archives and
// messages name classes), and persistent objects can copy their content from one another.
#pragma once

#include <string>

namespace zentrova {

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
  const char* ClassName() const override { return "TPersistent"; }

  // Copies the content of `source` into this object; a class that cannot take it raises
  // EConvertError "Cannot assign a <source class> to a <this class>".
  virtual void Assign(const TPersistent* source);
  // The object that owns this one in the object model (its collection, component or holder), if any.
  virtual TPersistent* GetOwner() const { return nullptr; }
  // The name under which this object is known in messages; its class name by default.
  virtual std::string GetNamePath() const { return ClassName(); }

 protected:
  // The second chance of Assign: the source may know how to fill `dest`.
  virtual void AssignTo(TPersistent* dest) const;
  [[noreturn]] void AssignError(const TPersistent* source) const;
};

}  // namespace zentrova
