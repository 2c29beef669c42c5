// Flat text, head-up display text and sprites drawn by a 744 × 440 memory viewer and read back.
#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <stdexcept>
#include <vector>

#include "scene/core/buffer_fixtures.h"
#include "scene/extras/text/flat_text.h"
#include "scene/extras/text/hud_objects.h"
#include "scene/extras/text/windows_bitmap_font.h"
#include "scene/gl/state_cache.h"
#include "scene/materials/material.h"
#include "scene/materials/texture.h"
#include "scene/materials/texture_image.h"

namespace zentrova::test {
namespace {

const Pixel kBlack{0, 0, 0, 255};
const Pixel kRed{255, 0, 0, 255}, kGreen{0, 255, 0, 255}, kBlue{0, 0, 255, 255}, kWhite{255, 255, 255, 255};

// A picture of solid cells, each w × h, listed row by row (0x00RRGGBB).
std::unique_ptr<TBitmap> Cells(int columns, int rows, int w, int h, const std::vector<std::uint32_t>& colors) {
  auto bitmap = std::make_unique<TBitmap>(columns * w, rows * h, pf24bit);
  for (int y = 0; y < rows * h; ++y) {
    for (int x = 0; x < columns * w; ++x) bitmap->SetPixel(x, y, 0xFF000000u | colors[(y / h) * columns + x / w]);
  }
  return bitmap;
}

class TextInViewer : public MemoryViewerTest {
 protected:
  TextInViewer() { viewer.Buffer().SetBackgroundColor(0); }
  // The frame top row first, as the HUD places things.
  Pixel Top(int x, int y) { return WindowPixel(x, kHeight - 1 - y); }
  // The lit box of the frame, in top-down rows: min x, min y, max x, max y.
  std::array<int, 4> LitBox() {
    TGLContext& context = *viewer.Buffer().RenderingContext();
    context.Activate();
    std::vector<std::uint8_t> rgba(kWidth * kHeight * 4);
    gl.ReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    context.Deactivate();
    std::array<int, 4> box{kWidth, kHeight, -1, -1};
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) {
        const std::uint8_t* p = &rgba[(y * kWidth + x) * 4];
        if (p[0] == 0 && p[1] == 0 && p[2] == 0) continue;
        const int top = kHeight - 1 - y;
        box = {std::min(box[0], x), std::min(box[1], top), std::max(box[2], x), std::max(box[3], top)};
      }
    }
    return box;
  }
  std::vector<std::uint8_t> Frame() {
    TGLContext& context = *viewer.Buffer().RenderingContext();
    context.Activate();
    std::vector<std::uint8_t> rgba(kWidth * kHeight * 4);
    gl.ReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    context.Deactivate();
    return rgba;
  }
};

// Four 16 × 16 cells, "A" red, "B" green, "C" blue, "D" white; one text unit per world 1/16.
class FlatTextInViewer : public TextInViewer {
 protected:
  FlatTextInViewer() {
    font = std::make_unique<TGLBitmapFont>();
    font->SetGlyphsAlpha(tiaOpaque);
    font->SetMagFilter(maNearest);
    font->SetMinFilter(miNearest);
    font->Glyphs().SetGraphic(Cells(2, 2, 16, 16, {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF}).get());
    font->Ranges().Add('A', 'D');
    text.SetBitmapFont(font.get());
    text.Scale().SetVector(1 / 16.0f, 1 / 16.0f, 1);
  }
  ~FlatTextInViewer() override {
    text.SetBitmapFont(nullptr);
  }
  std::unique_ptr<TGLBitmapFont> font;
  TGLFlatText& text = stage.Objects().AddNewChild<TGLFlatText>();
};

TEST_F(FlatTextInViewer, EachGlyphShowsItsCellAndCarriageReturnStartsTheNextLine) {
  text.SetText("AB\rCD");
  viewer.Render();
  const float step = 17 / 16.0f;  // a glyph and one pixel of space, a line and one of VSpace
  EXPECT_EQ(PixelAt(0.5f, -0.5f), kRed);
  EXPECT_EQ(PixelAt(step + 0.5f, -0.5f), kGreen);
  EXPECT_EQ(PixelAt(0.5f, -step - 0.5f), kBlue);
  EXPECT_EQ(PixelAt(step + 0.5f, -step - 0.5f), kWhite);
  EXPECT_EQ(PixelAt(-0.5f, -0.5f), kBlack);
  EXPECT_EQ(PixelAt(0.5f, 0.5f), kBlack);
}

TEST_F(FlatTextInViewer, RightAlignmentEndsEachLineAtTheOrigin) {
  text.SetText("A\rCD");
  text.SetAlignment(taRightJustify);
  text.SetLayout(tlBottom);
  viewer.Render();
  // Two lines of 16 and one of VSpace above the origin; "A" ends at 0, "CD" too.
  EXPECT_EQ(PixelAt(-0.5f, 33 / 16.0f - 0.5f), kRed);
  EXPECT_EQ(PixelAt(-0.5f, 0.5f), kWhite);
  EXPECT_EQ(PixelAt(-17 / 16.0f - 0.5f, 0.5f), kBlue);
  EXPECT_EQ(PixelAt(0.5f, 0.5f), kBlack);
}

TEST_F(TextInViewer, RedHUDTextStaysInsideItsMeasuredBox) {
  TGLWindowsBitmapFont font;
  font.Font().SetName("Liberation Sans");
  font.Font().SetSize(10);
  EXPECT_LE(font.Glyphs().Width(), 256);
  EXPECT_LE(font.Glyphs().Height(), 256);
  auto& text = stage.Objects().AddNewChild<TGLHUDText>();
  text.SetBitmapFont(&font);
  text.SetText("Il");
  text.ModulateColor().SetRGBA(1, 0, 0, 1);
  text.Position().SetPositionXYZ(100, 50, 0);
  viewer.Render();
  const auto box = LitBox();
  ASSERT_GE(box[2], 0) << "nothing drawn";
  EXPECT_GE(box[0], 100);
  EXPECT_GE(box[1], 50);
  EXPECT_LE(box[2], 100 + font.CalcStringWidth("Il"));
  EXPECT_LE(box[3], 50 + font.CharHeight());
  const auto frame = Frame();
  int strong = 0;
  for (std::size_t i = 0; i < frame.size(); i += 4) {
    EXPECT_EQ(frame[i + 1], 0);
    EXPECT_EQ(frame[i + 2], 0);
    strong += frame[i] > 200;
  }
  EXPECT_GT(strong, 10);  // the stems of both letters
  text.SetBitmapFont(nullptr);
}

// A 16 × 16 sprite textured with a 2 × 1 picture, red then blue.
class SpriteInViewer : public TextInViewer {
 protected:
  SpriteInViewer() {
    const auto picture = Cells(2, 1, 1, 1, {0xFF0000, 0x0000FF});
    TGLTexture& texture = sprite.Material().Texture();
    texture.SetTextureMode(tmReplace);
    texture.SetMinFilter(miNearest);
    texture.SetMagFilter(maNearest);
    static_cast<TGLPersistentImage&>(texture.Image()).Picture().SetGraphic(picture.get());
    texture.SetDisabled(false);
  }
  TGLHUDSprite& sprite = stage.Objects().AddNewChild<TGLHUDSprite>();
};

TEST_F(SpriteInViewer, OnTheCornerAndOnTheCentre) {
  sprite.Position().SetPositionXYZ(0, 0, 0);
  viewer.Render();
  EXPECT_EQ(LitBox(), (std::array<int, 4>{0, 0, 7, 7}));
  sprite.Position().SetPositionXYZ(kWidth / 2.0f, kHeight / 2.0f, 0);
  viewer.Render();
  EXPECT_EQ(LitBox(), (std::array<int, 4>{kWidth / 2 - 8, kHeight / 2 - 8, kWidth / 2 + 7, kHeight / 2 + 7}));
  EXPECT_EQ(Top(kWidth / 2 - 4, kHeight / 2), kRed);
  EXPECT_EQ(Top(kWidth / 2 + 4, kHeight / 2), kBlue);
}

TEST_F(SpriteInViewer, ThreeTilesRepeatThePictureAcrossTheWidth) {
  sprite.SetWidth(60);
  sprite.SetXTiles(3);
  sprite.Position().SetPositionXYZ(100, 100, 0);
  viewer.Render();
  // Six stripes of 10 pixels from x 70.
  for (int stripe = 0; stripe < 6; ++stripe) {
    EXPECT_EQ(Top(70 + stripe * 10 + 5, 100), stripe % 2 == 0 ? kRed : kBlue) << stripe;
  }
}

TEST_F(SpriteInViewer, At192DpiPositionAndSizeDouble) {
  sprite.Position().SetPositionXYZ(100, 50, 0);
  TBitmap bitmap(kWidth, kHeight, pf32bit);
  viewer.Render();
  viewer.Buffer().RenderIntoBitmap(bitmap, 192);
  int min_x = kWidth, min_y = kHeight, max_x = -1, max_y = -1;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      if ((bitmap.Pixel(x, y) & 0xFFFFFF) == 0) continue;
      min_x = std::min(min_x, x), min_y = std::min(min_y, y), max_x = std::max(max_x, x), max_y = std::max(max_y, y);
    }
  }
  EXPECT_EQ(min_x, 200 - 16);
  EXPECT_EQ(max_x, 200 + 15);
  EXPECT_EQ(min_y, 100 - 16);
  EXPECT_EQ(max_y, 100 + 15);
}

// ---- A drawing that throws

struct StackDepths {
  GLint attributes = 0, model_view = 0, projection = 0, matrix_mode = 0;
  bool operator==(const StackDepths&) const = default;
};

std::ostream& operator<<(std::ostream& os, const StackDepths& d) {
  return os << "attributes " << d.attributes << ", model-view " << d.model_view << ", projection " << d.projection
            << ", matrix mode " << d.matrix_mode;
}

StackDepths Depths() {
  StackDepths d;
  gl.GetIntegerv(GL_ATTRIB_STACK_DEPTH, &d.attributes);
  gl.GetIntegerv(GL_MODELVIEW_STACK_DEPTH, &d.model_view);
  gl.GetIntegerv(GL_PROJECTION_STACK_DEPTH, &d.projection);
  gl.GetIntegerv(GL_MATRIX_MODE, &d.matrix_mode);
  return d;
}

// The font's quads begin inside the text's pushes (and the head-up frame's): glBegin throws there.
void ThrowingBegin(GLenum) { throw std::runtime_error("drawing failed"); }

TEST(TextDrawingThatThrows, FlatAndHUDTextLeaveTheStacksAsFound) {
  std::unique_ptr<TGLContext> context = NewPBufferContext();
  context->Activate();
  TGLStage stage;
  TGLStateCache states;
  TGLBitmapFont font;
  font.Glyphs().TakeGraphic(Cells(2, 1, 8, 8, {0xFF0000, 0x00FF00}));
  font.SetCharWidth(8);
  font.SetCharHeight(8);
  font.Ranges().Add(65, 66);
  auto& flat = stage.Objects().AddNewChild<TGLFlatText>();
  auto& hud = stage.Objects().AddNewChild<TGLHUDText>();
  const TGLEntryPoints saved = gl;
  for (TGLBitmapTextObject* text : {static_cast<TGLBitmapTextObject*>(&flat), static_cast<TGLBitmapTextObject*>(&hud)}) {
    SCOPED_TRACE(text->ClassName());
    text->SetBitmapFont(&font);
    text->SetText("AB");
    gl.MatrixMode(GL_MODELVIEW);
    const StackDepths before = Depths();
    TRenderContextInfo rci{};
    rci.scene = &stage;
    rci.objectsSorting = osNone;
    rci.visibilityCulling = vcNone;
    rci.GLStates = &states;
    rci.viewPortSize = {64, 32};
    gl.Begin = &ThrowingBegin;
    EXPECT_THROW(text->RenderWithTransform(rci), std::runtime_error);
    gl = saved;
    EXPECT_EQ(Depths(), before);
    EXPECT_EQ(gl.GetError(), static_cast<GLenum>(GL_NO_ERROR));
    text->SetBitmapFont(nullptr);
  }
  context->Deactivate();
}

}  // namespace
}  // namespace zentrova::test
