// The control tree window: the run-time settings of the loaded world as a tree that the world fills
// while it loads. A click aims the camera at a body or shows the pointer; a double click toggles or edits
// the setting its node names, and a toggle's caption then names the other state.
#pragma once

#include <QtWidgets/QWidget>

#include <cstdint>
#include <string>

#include "engine/control_tree.h"

class QTreeWidget;
class QTreeWidgetItem;

namespace zentrova {

class IAppDialogs;
class IControlCommands;

class TVYKControlForm : public QWidget, public IControlTree {
 public:
  // Commands and dialogs outlive the window.
  TVYKControlForm(IControlCommands& commands, IAppDialogs& dialogs, QWidget* parent = nullptr);

  // --- The tree as the world fills it ------------------------------------------------------------------
  // Nodes are handed out as the address of their item; 0 names none (as a parent: the top level).
  TTreeNode AddChild(TTreeNode parent, const std::string& caption, std::int32_t image,
                     std::int32_t selected_image) override;
  void SetCaption(TTreeNode node, const std::string& caption) override;
  // Every node captioned `old_caption` under a parent captioned `group` (both exact) gets `new_caption`.
  void ChangeNodeText(const std::string& group, const std::string& old_caption,
                      const std::string& new_caption) override;
  void Clear() override;

  // --- Clicks -------------------------------------------------------------------------------------------
  void ControlTreeClick(QTreeWidgetItem* item);
  void ControlTreeDblClick(QTreeWidgetItem* item);

  QTreeWidget& ControlTree() { return *tree_; }
  // The first node with this caption under a parent with that caption ("" for a top-level node).
  QTreeWidgetItem* FindNode(const std::string& parent, const std::string& caption) const;

 private:
  // A tolerance node: its caption is the value; the answer must be a real in [0, 1].
  void EditTolerance(QTreeWidgetItem* item, const std::string& caption, bool pivot);

  IControlCommands& commands_;
  IAppDialogs& dialogs_;
  QTreeWidget* tree_;
};

}  // namespace zentrova
