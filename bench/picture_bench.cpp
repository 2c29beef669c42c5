// TGLBitmap32 from a 24-bit bitmap against QImage's BGR888 → RGBA8888 conversion plus vertical flip,
// which produce the same bytes.
#include <benchmark/benchmark.h>

#include <QImage>

#include <cstring>
#include <random>

#include "scene/pictures/bitmap32.h"

namespace {

constexpr int kSize = 1024;

zentrova::TBitmap& Source() {
  static zentrova::TBitmap bitmap(kSize, kSize, zentrova::pf24bit);
  static const bool filled = [] {
    std::mt19937 random(7);
    for (int y = 0; y < kSize; ++y) {
      for (int i = 0; i < bitmap.RowBytes(); ++i) bitmap.ScanLine(y)[i] = static_cast<std::uint8_t>(random());
    }
    return true;
  }();
  (void)filled;
  return bitmap;
}

void BM_Bitmap32FromBitmap(benchmark::State& state) {
  zentrova::TGLBitmap32 bitmap;
  for (auto _ : state) {
    bitmap.Assign(&Source());
    benchmark::DoNotOptimize(bitmap.Data());
  }
}
BENCHMARK(BM_Bitmap32FromBitmap)->Unit(benchmark::kMillisecond);

void BM_QImageFlippedRGBA8888(benchmark::State& state) {
  const zentrova::TBitmap& source = Source();
  const QImage image(source.ScanLine(0), kSize, kSize, source.RowBytes(), QImage::Format_BGR888);
  for (auto _ : state) {
    QImage converted = image.convertToFormat(QImage::Format_RGBA8888).mirrored();
    benchmark::DoNotOptimize(converted.constBits());
  }
}
BENCHMARK(BM_QImageFlippedRGBA8888)->Unit(benchmark::kMillisecond);

}  // namespace
