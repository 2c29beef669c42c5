// The control tree as the engine fills it: a load adds the world's groups and every body's branch, and the
// world's commands rename nodes so that a caption always names the current state ("Show floor" while the
// floor is shown). The program's control-tree window implements it; tests record it.
#pragma once

#include <cstdint>
#include <string>

namespace zentrova {

// A node of the tree, as the implementation hands it out; kNoTreeNode names none (and, as a parent, the
// top level).
using TTreeNode = std::uintptr_t;
inline constexpr TTreeNode kNoTreeNode = 0;

class IControlTree {
 public:
  virtual ~IControlTree() = default;
  // Appends a node with its caption and its image indices (normal, selected) as the last child of
  // `parent` (kNoTreeNode: the top level) and returns it.
  virtual TTreeNode AddChild(TTreeNode parent, const std::string& caption, std::int32_t image,
                             std::int32_t selected_image) = 0;
  virtual void SetCaption(TTreeNode node, const std::string& caption) = 0;
  // Every node whose caption is `old_caption` and whose parent's caption is `group` (both compared
  // exactly) gets `new_caption`; a node without a parent never matches.
  virtual void ChangeNodeText(const std::string& group, const std::string& old_caption,
                              const std::string& new_caption) = 0;
  // Removes every node.
  virtual void Clear() = 0;
};

}  // namespace zentrova
