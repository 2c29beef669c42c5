// The one line with which a class of the scene library names itself: ClassName() (messages and archives
// name classes) and StaticClassName(), and where its family creates objects of the same class, the
// virtual constructor NewInstance() too.
//   class TGLFoo : public TGLBar {
//     ZENTROVA_CLASS_NEW(TGLFoo)
//    public:
//     ...
//   };
// A family root with a virtual constructor declares `using TInstanceRoot = <root>;`: NewInstance returns
// std::unique_ptr<TInstanceRoot>. Registration by name: class_registration.h.
#pragma once

#include <memory>

// The class's name, as ClassName() and StaticClassName(); leaves the access public.
#define ZENTROVA_CLASS(Class)                                       \
 public:                                                            \
  static constexpr const char* StaticClassName() { return #Class; } \
  const char* ClassName() const override { return #Class; }

// ZENTROVA_CLASS and the virtual constructor NewInstance() of a default-constructible class.
#define ZENTROVA_CLASS_NEW(Class) \
  ZENTROVA_CLASS(Class)           \
  std::unique_ptr<TInstanceRoot> NewInstance() const override { return std::make_unique<Class>(); }

// ZENTROVA_CLASS and the virtual constructor NewInstance(owner) of a class constructed with its owner.
#define ZENTROVA_CLASS_NEW_OWNED(Class) \
  ZENTROVA_CLASS(Class)                 \
  std::unique_ptr<TInstanceRoot> NewInstance(TPersistent* owner) const override { return std::make_unique<Class>(owner); }
