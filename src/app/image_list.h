// The main window's common image list: the pictures the tool bar's buttons, the control tree's nodes and
// the history window's rows name by index. Even indices are a node's normal image, the odd index after
// it the same node's selected image. The pictures come from the application's style, so they follow the
// desktop's look.
#pragma once

#include <QtGui/QIcon>

#include <cstdint>

namespace zentrova {

// The picture at the index; a null icon for an index the list does not hold.
QIcon CommonImage(std::int32_t index);
// One icon showing `image` normally and `selected_image` while its item is selected.
QIcon CommonNodeIcon(std::int32_t image, std::int32_t selected_image);

}  // namespace zentrova
