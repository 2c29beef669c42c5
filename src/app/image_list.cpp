#include "app/image_list.h"

#include <QtWidgets/QApplication>
#include <QtWidgets/QStyle>

#include <array>

namespace zentrova {

namespace {

// Each pair of indices (normal, selected) draws one kind of node; groups open when selected. Square
// pictures only: a column of icons of other shapes does not line up.
struct TImagePair {
  std::int32_t normal_index;
  QStyle::StandardPixmap normal;
  QStyle::StandardPixmap selected;
};

constexpr std::array kImages{
    TImagePair{0, QStyle::SP_FileIcon, QStyle::SP_FileIcon},                              // a body
    TImagePair{2, QStyle::SP_TitleBarMaxButton, QStyle::SP_TitleBarMaxButton},            // its bounding box
    TImagePair{4, QStyle::SP_TitleBarShadeButton, QStyle::SP_TitleBarUnshadeButton},      // transparency
    TImagePair{6, QStyle::SP_FileDialogDetailedView, QStyle::SP_FileDialogDetailedView},  // a value
    TImagePair{8, QStyle::SP_DirIcon, QStyle::SP_DirOpenIcon},                            // collisions
    TImagePair{10, QStyle::SP_DialogOkButton, QStyle::SP_DialogOkButton},                 // a switch
    TImagePair{12, QStyle::SP_FileDialogInfoView, QStyle::SP_FileDialogInfoView},         // info
    TImagePair{14, QStyle::SP_FileDialogDetailedView, QStyle::SP_FileDialogDetailedView}, // mass
    TImagePair{16, QStyle::SP_FileDialogDetailedView, QStyle::SP_FileDialogDetailedView}, // inertia
    TImagePair{18, QStyle::SP_DirIcon, QStyle::SP_DirOpenIcon},                           // bodies
    TImagePair{22, QStyle::SP_DirClosedIcon, QStyle::SP_DirOpenIcon},                     // a history
    TImagePair{26, QStyle::SP_MediaPlay, QStyle::SP_MediaPlay},                           // run
    TImagePair{28, QStyle::SP_MediaStop, QStyle::SP_MediaStop},                           // stop
    TImagePair{34, QStyle::SP_DirIcon, QStyle::SP_DirOpenIcon},                           // pointer
    TImagePair{36, QStyle::SP_ArrowUp, QStyle::SP_ArrowUp},                               // larger
    TImagePair{38, QStyle::SP_ArrowDown, QStyle::SP_ArrowDown},                           // smaller
    TImagePair{40, QStyle::SP_ArrowBack, QStyle::SP_ArrowBack},                           // to origin
    TImagePair{42, QStyle::SP_DialogCancelButton, QStyle::SP_DialogCancelButton},         // hide
    TImagePair{44, QStyle::SP_BrowserReload, QStyle::SP_BrowserReload},                   // history mode
    TImagePair{46, QStyle::SP_DialogSaveButton, QStyle::SP_BrowserStop},                  // record, recording
    TImagePair{48, QStyle::SP_DirIcon, QStyle::SP_DirOpenIcon},                           // orientation box
    TImagePair{50, QStyle::SP_DirIcon, QStyle::SP_DirOpenIcon},                           // axes
    TImagePair{52, QStyle::SP_DirIcon, QStyle::SP_DirOpenIcon},                           // contact watches
    TImagePair{58, QStyle::SP_DirIcon, QStyle::SP_DirOpenIcon},                           // log
    TImagePair{60, QStyle::SP_ComputerIcon, QStyle::SP_ComputerIcon},                     // world
    TImagePair{62, QStyle::SP_DirIcon, QStyle::SP_DirOpenIcon},                           // LCP solver
    TImagePair{64, QStyle::SP_ArrowDown, QStyle::SP_ArrowDown},                           // pivot minimum
    TImagePair{66, QStyle::SP_ArrowUp, QStyle::SP_ArrowUp},                               // pivot maximum
    TImagePair{68, QStyle::SP_FileDialogDetailedView, QStyle::SP_FileDialogDetailedView}, // a tolerance
    TImagePair{78, QStyle::SP_FileDialogContentsView, QStyle::SP_FileDialogContentsView}, // plot watches
    TImagePair{80, QStyle::SP_FileDialogNewFolder, QStyle::SP_FileDialogNewFolder},       // next version
};

}  // namespace

QIcon CommonImage(std::int32_t index) {
  const QStyle* style = QApplication::style();
  if (style == nullptr) return {};
  for (const TImagePair& pair : kImages) {
    if (index == pair.normal_index) return style->standardIcon(pair.normal);
    if (index == pair.normal_index + 1) return style->standardIcon(pair.selected);
  }
  return {};
}

QIcon CommonNodeIcon(std::int32_t image, std::int32_t selected_image) {
  const QIcon normal = CommonImage(image);
  const QIcon selected = CommonImage(selected_image);
  if (normal.isNull() || selected.isNull() || selected_image == image) return normal;
  // Pictures at the sizes tree and list views ask for, so the selected one shows at any of them.
  QIcon icon;
  for (const int side : {16, 24, 32}) {
    icon.addPixmap(normal.pixmap(side, side), QIcon::Normal);
    icon.addPixmap(selected.pixmap(side, side), QIcon::Selected);
  }
  return icon;
}

}  // namespace zentrova
