#include "app/image_list.h"

#include <gtest/gtest.h>

#include <QtGui/QImage>

#include <utility>

#include "qt_widgets_application.h"

namespace zentrova {
namespace {

QImage Picture(const QIcon& icon, QIcon::Mode mode = QIcon::Normal) {
  return icon.pixmap(16, 16, mode).toImage().convertToFormat(QImage::Format_ARGB32);
}

TEST(ImageListCommon, EveryIndexTheProgramNamesHasAPictureAndNoOtherDoes) {
  test::TestWidgetsApplication();
  // The indices the world's tree nodes, the history rows and the tool bar buttons name.
  for (int index : {0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 22, 23, 26, 28,
                    34, 35, 36, 37, 38, 39, 40, 41, 42, 43, 44, 45, 46, 47, 48, 49, 50, 51, 52, 53, 58, 59, 60, 61,
                    62, 63, 64, 65, 66, 67, 68, 69, 78, 79, 80, 81}) {
    EXPECT_FALSE(CommonImage(index).isNull()) << index;
  }
  for (int index : {-1, 20, 21, 24, 25, 30, 33, 54, 57, 82, 1000}) EXPECT_TRUE(CommonImage(index).isNull()) << index;
}

TEST(ImageListCommon, ANodeShowsItsSelectedPictureOnlyWhileSelected) {
  test::TestWidgetsApplication();
  // A group opens, the record button shows it records.
  for (const auto& [image, selected] : {std::pair{8, 9}, std::pair{46, 47}}) {
    const QIcon icon = CommonNodeIcon(image, selected);
    EXPECT_EQ(Picture(icon), Picture(CommonImage(image))) << image;
    EXPECT_EQ(Picture(icon, QIcon::Selected), Picture(CommonImage(selected))) << image;
    EXPECT_NE(Picture(icon), Picture(icon, QIcon::Selected)) << image;
  }
  // One index for both, or an unknown selected picture: the normal picture serves.
  for (const int selected : {10, 99}) EXPECT_EQ(Picture(CommonNodeIcon(10, selected)), Picture(CommonImage(10)));
  EXPECT_TRUE(CommonNodeIcon(99, 8).isNull());
}

}  // namespace
}  // namespace zentrova
