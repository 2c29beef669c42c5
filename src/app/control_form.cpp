#include "app/control_form.h"

#include <QtWidgets/QTreeWidget>
#include <QtWidgets/QVBoxLayout>

#include <algorithm>
#include <cctype>
#include <functional>

#include "app/app_dialogs.h"
#include "app/control_commands.h"
#include "app/guarded_command.h"
#include "app/image_list.h"
#include "platform/message_sink.h"
#include "platform/number_text.h"

namespace zentrova {

namespace {

constexpr const char* kStopFirst = "You need to stop the simulation.";

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

std::string Caption(const QTreeWidgetItem* item) {
  return item != nullptr ? item->text(0).toStdString() : std::string();
}

QTreeWidgetItem* Item(std::uintptr_t node) { return reinterpret_cast<QTreeWidgetItem*>(node); }

// A toggle: the action, then the caption that names the new state.
struct TToggle {
  const char* caption;
  const char* new_caption;
  std::function<void(IControlCommands&)> action;
};

}  // namespace

TVYKControlForm::TVYKControlForm(IControlCommands& commands, IAppDialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window), commands_(commands), dialogs_(dialogs), tree_(new QTreeWidget(this)) {
  setWindowTitle("Control Tree");
  tree_->setObjectName("ControlTree");
  tree_->setHeaderHidden(true);
  tree_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  tree_->setExpandsOnDoubleClick(false);
  connect(tree_, &QTreeWidget::itemClicked, this,
          [this](QTreeWidgetItem* item) { GuardedCommand([this, item] { ControlTreeClick(item); }); });
  connect(tree_, &QTreeWidget::itemDoubleClicked, this,
          [this](QTreeWidgetItem* item) { GuardedCommand([this, item] { ControlTreeDblClick(item); }); });
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(tree_);
  resize(260, 480);
}

TTreeNode TVYKControlForm::AddChild(TTreeNode parent, const std::string& caption, std::int32_t image,
                                         std::int32_t selected_image) {
  auto* item = parent == 0 ? new QTreeWidgetItem(tree_) : new QTreeWidgetItem(Item(parent));
  item->setText(0, QString::fromStdString(caption));
  item->setData(0, Qt::UserRole, image);
  item->setData(0, Qt::UserRole + 1, selected_image);
  item->setIcon(0, CommonNodeIcon(image, selected_image));
  // The tree expands as it grows.
  if (parent != 0) Item(parent)->setExpanded(true);
  return reinterpret_cast<std::uintptr_t>(item);
}

void TVYKControlForm::SetCaption(TTreeNode node, const std::string& caption) {
  if (node != 0) Item(node)->setText(0, QString::fromStdString(caption));
}

void TVYKControlForm::ChangeNodeText(const std::string& group, const std::string& old_caption,
                                     const std::string& new_caption) {
  const QString old_text = QString::fromStdString(old_caption), group_text = QString::fromStdString(group);
  for (QTreeWidgetItemIterator it(tree_); *it != nullptr; ++it) {
    QTreeWidgetItem* item = *it;
    if (item->parent() != nullptr && item->text(0) == old_text && item->parent()->text(0) == group_text) {
      item->setText(0, QString::fromStdString(new_caption));
    }
  }
}

void TVYKControlForm::Clear() { tree_->clear(); }

QTreeWidgetItem* TVYKControlForm::FindNode(const std::string& parent, const std::string& caption) const {
  for (QTreeWidgetItemIterator it(tree_); *it != nullptr; ++it) {
    QTreeWidgetItem* item = *it;
    if (Caption(item) == caption && Caption(item->parent()) == parent) return item;
  }
  return nullptr;
}

void TVYKControlForm::ControlTreeClick(QTreeWidgetItem* item) {
  if (item == nullptr) return;
  const std::string t = Caption(item);
  const std::int32_t body = commands_.BodyIndex(t);
  if (body >= 0) commands_.SetCameraTarget(body);
  if (t == "Pointer") commands_.ShowPointer();
}

void TVYKControlForm::EditTolerance(QTreeWidgetItem* item, const std::string& caption, bool pivot) {
  long double old_value = 0;
  if (!TryTextToFloat(caption, old_value)) {
    ShowMessage("'" + caption + "' is not a valid floating point value.");
    return;
  }
  // Typed as text: the tolerances are far below what a box with a few decimals could show.
  std::string text = caption;
  if (!dialogs_.InputText(pivot ? "Change pivot tolerance" : "Change lexico zero tolerance", "Change to:", text)) {
    return;
  }
  long double new_value = 0;
  if (!TryTextToFloat(text, new_value)) {
    ShowMessage("'" + text + "' is not a valid floating point value.");
    return;
  }
  if (!(new_value >= 0 && new_value <= 1)) {
    ShowMessage("The tolerance must lie in 0 to 1.");
    return;
  }
  const bool taken = pivot ? commands_.SetPivotTolerance(old_value, new_value)
                           : commands_.SetLexicoZeroTolerance(old_value, new_value);
  if (taken) item->setText(0, QString::fromStdString(FloatToText(new_value)));
}

void TVYKControlForm::ControlTreeDblClick(QTreeWidgetItem* item) {
  if (item == nullptr) return;
  const std::string t = Caption(item);
  QTreeWidgetItem* parent = item->parent();
  const std::string p = Caption(parent);
  const std::string g = parent != nullptr ? Caption(parent->parent()) : std::string();
  auto rename = [item](const char* caption) { item->setText(0, caption); };

  // Display toggles of the whole world, whatever the node's place.
  if (Lower(t) == "boundingbox") {
    const std::int32_t body = commands_.BodyIndex(p);
    if (body >= 0) commands_.ToggleBoundingBoxTree(body);
    return;
  }
  static const TToggle kWorldToggles[] = {
      {"Hide textures", "Show textures", [](IControlCommands& c) { c.ShowTextures(); }},
      {"Show textures", "Hide textures", [](IControlCommands& c) { c.HideTextures(); }},
      {"Show normal", "Show wireframe", [](IControlCommands& c) { c.ShowWireframeBodies(); }},
      {"Show wireframe", "Show normal", [](IControlCommands& c) { c.ShowFilledBodies(); }},
      {"Show thick", "Show thin", [](IControlCommands& c) { c.ShowFlatBodies(); }},
      {"Show thin", "Show thick", [](IControlCommands& c) { c.ShowThickBodies(); }},
  };
  for (const TToggle& toggle : kWorldToggles) {
    if (t == toggle.caption) {
      toggle.action(commands_);
      rename(toggle.new_caption);
      return;
    }
  }
  if (parent == nullptr) return;

  const std::string lower_p = Lower(p);
  if (lower_p == "transparency") {
    const std::int32_t body = commands_.BodyIndex(g);
    if (body < 0) return;
    double value = commands_.Transparency(body);
    if (!dialogs_.InputFloat("Set transparency", "Transparency:", 0, 1, 2, value)) return;
    commands_.SetTransparency(body, value);
    item->setText(0, QString::fromStdString(FloatToText(value)));
    commands_.Repaint();
    return;
  }
  if (lower_p == "contact watches") {
    const std::int32_t body = commands_.BodyIndex(g);
    if (body < 0) return;
    if (t == "Show" || t == "Hide") {
      commands_.ToggleContactWatches(body);
    } else if (t == "Plot watches") {
      if (commands_.SimulationRunning()) {
        ShowMessage(kStopFirst);
      } else {
        commands_.PlotWatches(body);
      }
    }
    return;
  }
  if (lower_p == "collisions") {
    static const TToggle kCollisionToggles[] = {
        {"Do not break at collisions", "Break at collisions", [](IControlCommands& c) { c.SetBreakAtCollisions(true); }},
        {"Break at collisions", "Do not break at collisions", [](IControlCommands& c) { c.SetBreakAtCollisions(false); }},
        {"Hide collisions", "Show collisions", [](IControlCommands& c) { c.SetShowCollisions(true); }},
        {"Show collisions", "Hide collisions", [](IControlCommands& c) { c.SetShowCollisions(false); }},
        {"Hide over-penetrating points", "Show over-penetrating points",
         [](IControlCommands& c) { c.SetShowOverPenetratingPoints(true); }},
        {"Show over-penetrating points", "Hide over-penetrating points",
         [](IControlCommands& c) { c.SetShowOverPenetratingPoints(false); }},
    };
    for (const TToggle& toggle : kCollisionToggles) {
      if (t == toggle.caption) {
        toggle.action(commands_);
        rename(toggle.new_caption);
        return;
      }
    }
    return;
  }
  if (lower_p == "pointer") {
    // The pointer's commands rename their node themselves.
    if (t == "Increase size") commands_.IncreasePointerSize();
    if (t == "Decrease size") commands_.DecreasePointerSize();
    if (t == "Move to origin") commands_.MovePointerToOrigin();
    if (t == "Hide") commands_.ShowPointer();
    if (t == "Show") commands_.HidePointer();
    return;
  }
  if (lower_p == "orientation box") {
    commands_.ToggleOrientationBoxSide(t);
    return;
  }
  if (lower_p == "axes") {
    if (t == "Hide") commands_.ShowAxes();
    if (t == "Show") commands_.HideAxes();
    return;
  }
  if (p == "History") {
    if (t == "Save each time step") {
      commands_.SetHistorySaving(false, false);
      rename("Save each maximumTimestep");
    } else if (t == "Save each maximumTimestep") {
      commands_.SetHistorySaving(false, true);
      rename("Save each collision time step");
    } else if (t == "Save each collision time step") {
      commands_.SetHistorySaving(true, false);
      rename("Save each time step");
    }
    return;
  }
  if (p == "World") {
    if (t == "Create next version") {
      if (commands_.SimulationRunning()) {
        ShowMessage(kStopFirst);
      } else {
        commands_.CreateNextVersion();
      }
    }
    return;
  }
  if (p == "Pivot tolerance" || p == "Lexico zero tolerance") {
    // The run reads the tolerances at every contact step.
    if (commands_.SimulationRunning()) {
      ShowMessage(kStopFirst);
    } else {
      EditTolerance(item, t, p == "Pivot tolerance");
    }
    return;
  }
  if (p == "Try to solve by going back") {
    const bool value = t != "True";
    commands_.SetTryToSolveByGoingBack(value);
    rename(value ? "True" : "False");
    return;
  }
  if (p == "Log") {
    static const TToggle kLogToggles[] = {
        {"Show unbounded ray alert", "Hide unbounded ray alert", [](IControlCommands& c) { c.SetLogLCPUnboundedRay(false); }},
        {"Hide unbounded ray alert", "Show unbounded ray alert", [](IControlCommands& c) { c.SetLogLCPUnboundedRay(true); }},
        {"Show maximum number of iterations alert", "Hide maximum number of iterations alert",
         [](IControlCommands& c) { c.SetLogLCPMaximumIterations(false); }},
        {"Hide maximum number of iterations alert", "Show maximum number of iterations alert",
         [](IControlCommands& c) { c.SetLogLCPMaximumIterations(true); }},
    };
    for (const TToggle& toggle : kLogToggles) {
      if (t == toggle.caption) {
        toggle.action(commands_);
        rename(toggle.new_caption);
        return;
      }
    }
  }
}

}  // namespace zentrova
