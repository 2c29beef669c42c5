#include "scene/base/component.h"

// GCC 12 at -O2 takes the class's destroying delete for a release that does not match the global new
// (a known false positive of -Wmismatched-new-delete with destroying deletes).
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zentrova {
namespace {

using Log = std::vector<std::string>;

// Logs "<self> +<other>" or "<self> -<other>", with "!" when the other is being destroyed.
class TListener : public TComponent {
 public:
  TListener(const std::string& name, Log& log) : log_(log) { SetName(name); }

 protected:
  void Notification(TComponent& other, TOperation operation) override {
    const bool destroying = other.ComponentState().Contains(TComponentState::Destroying);
    log_.push_back(Name() + (operation == TOperation::Insert ? " +" : " -") + other.Name() +
                   (destroying ? "!" : ""));
  }

 private:
  Log& log_;
};

TEST(Component, FreeNotificationSurvivesEitherDestructionOrder) {
  struct Case {
    bool a_watches_b, b_watches_a, a_forgets_b, a_goes_first;
    Log expected;
  };
  const Case cases[] = {
      {true, false, false, false, {"A -B!"}}, {true, false, false, true, {}},
      {true, true, false, true, {"B -A!"}},   {true, true, false, false, {"A -B!"}},
      {true, false, true, false, {}},         {false, true, true, true, {"B -A!"}},
  };
  for (const Case& c : cases) {
    Log log;
    auto a = std::make_unique<TListener>("A", log);
    auto b = std::make_unique<TListener>("B", log);
    for (int twice = 0; twice < 2 && c.a_watches_b; ++twice) a->FreeNotification(*b);  // told once
    if (c.b_watches_a) b->FreeNotification(*a);
    if (c.a_forgets_b) a->RemoveFreeNotification(*b);
    if (c.a_goes_first) a.reset();
    b.reset();
    a.reset();
    EXPECT_EQ(log, c.expected) << &c - cases;
  }
}

TEST(Component, TheOwnerHearsOfInsertionAndRemoval) {
  Log log;
  {
    TListener owner("O", log);
    owner.SetDesigning(true);
    TListener& a = owner.CreateComponent<TListener>("A", log);
    TListener& b = owner.CreateComponent<TListener>("B", log);
    EXPECT_TRUE(b.ComponentState().Contains(TComponentState::Designing));
    a.FreeNotification(b);
    b.FreeNotification(a);
    std::unique_ptr<TComponent> removed = owner.RemoveComponent(b);
    EXPECT_TRUE(removed.get() == &b && b.Owner() == nullptr && owner.RemoveComponent(b) == nullptr);
    owner.InsertComponent(std::move(removed));
    EXPECT_EQ(owner.Components(1), &b);
  }  // the owner frees B, then A
  EXPECT_EQ(log, (Log{"O +A", "O +B", "O -B", "O +B", "A -B!"}));
}

TEST(Component, StatesOfLoadingReadingAndDesigning) {
  Log log;
  TListener owner("O", log);
  TListener& owned = owner.CreateComponent<TListener>("A", log);
  owner.Loading();
  owner.SetReading(true);
  owner.SetDesigning(true, false);  // not the owned ones
  const TComponentStates states = owner.ComponentState();
  EXPECT_TRUE(states.Contains(TComponentState::Loading) && states.Contains(TComponentState::Reading) &&
              owned.ComponentState().Empty());
  owner.Loaded();
  owner.SetReading(false);
  owner.SetDesigning(false);
  EXPECT_TRUE(owner.ComponentState().Empty());
  owner.Destroying();
  EXPECT_TRUE(owned.ComponentState().Contains(TComponentState::Destroying));
}

}  // namespace
}  // namespace zentrova
