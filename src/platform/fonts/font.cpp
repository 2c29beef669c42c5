#include "platform/fonts/font.h"

#include <algorithm>
#include <cstdlib>

namespace zentrova {

namespace {

// a * b / c rounded to the nearest integer, halves away from zero (a canvas's conversion rule).
int MulDivRounded(int a, int b, int c) {
  const long long product = static_cast<long long>(a) * b;
  const long long half = std::llabs(static_cast<long long>(c)) / 2;
  const long long rounded = (product < 0) == (c < 0) ? (std::llabs(product) + half) / std::llabs(c)
                                                     : -((std::llabs(product) + half) / std::llabs(c));
  return static_cast<int>(rounded);
}

}  // namespace

int TFont::Size() const {
  return -MulDivRounded(height_, 72, kScreenPixelsPerInch);
}

void TFont::SetName(const std::string& name) {
  if (name == name_) return;
  name_ = name;
  Changed();
}

void TFont::SetHeight(int height) {
  if (height == height_) return;
  height_ = height;
  Changed();
}

void TFont::SetSize(int points) {
  SetHeight(-MulDivRounded(points, kScreenPixelsPerInch, 72));
}

void TFont::SetStyle(TFontStyles style) {
  if (style == style_) return;
  style_ = style;
  Changed();
}

void TFont::SetColor(std::int32_t color) {
  if (color == color_) return;
  color_ = color;
  Changed();
}

void TFont::Assign(const TFont& source) {
  if (&source == this) return;
  const bool differs = source.name_ != name_ || source.height_ != height_ || !(source.style_ == style_) ||
                       source.color_ != color_;
  name_ = source.name_;
  height_ = source.height_;
  style_ = source.style_;
  color_ = source.color_;
  if (differs) Changed();
}

int TFont::Connect(TChangeHandler handler) {
  const int connection = next_connection_++;
  handlers_.emplace_back(connection, std::move(handler));
  return connection;
}

void TFont::Disconnect(int connection) {
  std::erase_if(handlers_, [connection](const auto& entry) { return entry.first == connection; });
}

void TFont::Changed() {
  // A handler may disconnect handlers, so each one is looked up again before it runs.
  std::vector<int> connections;
  connections.reserve(handlers_.size());
  for (const auto& entry : handlers_) connections.push_back(entry.first);
  for (int connection : connections) {
    auto it = std::find_if(handlers_.begin(), handlers_.end(),
                           [connection](const auto& entry) { return entry.first == connection; });
    if (it == handlers_.end()) continue;
    TChangeHandler handler = it->second;  // the entry may go while the handler runs
    handler(*this);
  }
}

}  // namespace zentrova
