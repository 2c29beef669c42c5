#include "engine/model/extrusion_shape.h"

#include <cmath>
#include <numbers>

#include "engine/model/model_text.h"
#include "engine/model/plane_geometry.h"
#include "platform/number_text.h"
#include "platform/paths.h"
#include "platform/strings.h"
#include "platform/text_file.h"

namespace zentrova {

namespace {

// The count follows "points =" (8 characters, the blank included) in at most 100 characters.
constexpr std::size_t kCountKeyLength = 8;
constexpr std::size_t kCountTextLength = 100;
constexpr std::size_t kDataMarkerLength = 6;

// Reads `n` free-format reals with "." into `values`; false after its error line when the text ends
// first or a token is not a finite real (a NaN or infinite point would make every mass property of the
// body meaningless). `what` names the values ("x", "y"), `file` the file.
bool ReadReals(TTextReader& reader, std::uint32_t n, const char* what, const std::string& file,
               std::vector<long double>& values, ILogSink& log) {
  values.clear();
  std::string token;
  for (std::uint32_t i = 0; i < n; ++i) {
    long double v = 0;
    if (!reader.ReadToken(token)) {
      log.AddLine("[Error] Outline file " + file + " ends after " + IntToText(i) + " of its " + IntToText(n) +
                  " " + what + " values.");
      return false;
    }
    if (!TryTextToFloatDot(token, v) || !std::isfinite(v)) {
      log.AddLine("[Error] Outline file " + file + " line " + IntToText(static_cast<std::int64_t>(reader.LastReadLine())) +
                  ": " + what + " value " + IntToText(i + 1) +
                  " is no finite number: " + token + ".");
      return false;
    }
    values.push_back(v);
  }
  return true;
}

bool Fill(TFloatList& list, const std::vector<long double>& values) {
  list.Dim(static_cast<std::uint32_t>(values.size()));
  if (list.Count() != values.size()) return false;  // out of memory, recorded by the list
  for (std::size_t i = 0; i < values.size(); ++i) list.Data()[i] = values[i];
  return true;
}

TPlaneVector Point(const TFloatList& x, const TFloatList& y, std::uint32_t i) {
  return {x.Data()[i], y.Data()[i]};
}

}  // namespace

bool TExtrusionShape::ReadShapeFile(const std::string& FileName, TFloatList& x, TFloatList& y) const {
  x.Clear();
  y.Clear();
  const std::string path = FindFile(ToNativeSeparators(FileName));
  TTextReader reader;
  if (path.empty() || !reader.Open(path)) {
    log_.AddLine(WithPlace("[Error] No bodyShape file found.", FileName));
    return false;
  }
  if (!AcceptNulFreeText(reader.FirstLineWithNul(), path, log_)) return false;
  const std::string file = ExtractFileName(path);
  std::string line;
  bool counted = false;
  while (!counted && reader.ReadLine(line)) {
    counted = LowerCase(line.substr(0, kCountKeyLength)) == "points =";
  }
  if (!counted) {
    log_.AddLine("[Error] Outline file " + file + " holds no line beginning with \"points =\".");
    return false;
  }
  std::int32_t n = 0;
  // Fewer than 2 points leave no previous and next point for the angles; the numbers are read before the
  // lists are sized, so a huge count in a short file costs nothing.
  if (line.size() <= kCountKeyLength || !TryTextToInt(line.substr(kCountKeyLength, kCountTextLength), n) ||
      n < 2 || static_cast<std::uint32_t>(n) > TFloatList::MaxCount) {
    log_.AddLine("[Error] Outline file " + file + " line " + IntToText(static_cast<std::int64_t>(reader.LastReadLine())) +
                 " must give a count of 2 to " +
                 IntToText(TFloatList::MaxCount) + " points: " + EchoedText(line) + ".");
    return false;
  }
  bool data = false;
  while (!data && reader.ReadLine(line)) {
    data = LowerCase(line.substr(0, kDataMarkerLength)) == "%%data";
  }
  if (!data) {
    log_.AddLine("[Error] Outline file " + file + " holds no %%data line after its count.");
    return false;
  }
  std::vector<long double> xs, ys;
  const auto count = static_cast<std::uint32_t>(n);
  if (!ReadReals(reader, count, "x", file, xs, log_)) return false;
  // x and y are separated only by the line end after the last x value.
  reader.SkipLine();
  if (!ReadReals(reader, count, "y", file, ys, log_)) return false;
  if (!Fill(x, xs) || !Fill(y, ys)) {
    x.Clear();
    y.Clear();
    return false;
  }
  if (xs.front() != xs.back() || ys.front() != ys.back()) {
    log_.AddLine("[Alert] Extrusion shape in file " + ExtractFileName(ToNativeSeparators(FileName)) +
                 " is not closed .");
  }
  return true;
}

bool TExtrusionShape::WriteShapeFile(const std::string& FileName, const TFloatList& x, const TFloatList& y) {
  if (x.Count() != y.Count()) return false;
  TTextWriter writer;
  if (!writer.Open(ToNativeSeparators(FileName), TTextWriter::Mode::Create)) return false;
  writer.WriteLine("points =" + IntToText(x.Count()));
  writer.WriteLine("%%data");
  for (const TFloatList* list : {&x, &y}) {
    for (std::uint32_t i = 0; i < list->Count(); ++i) {
      writer.Write(FloatToSci23(list->Data()[i]));
      writer.Write("\t");
    }
    writer.WriteLine();
  }
  writer.WriteLine("%%enddata");
  return writer.Close();
}

bool TExtrusionShape::Load(const std::string& FileName) {
  if (!ReadShapeFile(FileName, X, Y)) {
    log_.AddLine("[Error] Check extrusion shape in file " + ExtractFileName(ToNativeSeparators(FileName)) +
                 ".");
    return false;
  }
  const std::uint32_t n = X.Count();
  Watched.assign(n, false);
  WatchIndex.assign(n, 0);
  VertexAngle.Dim(n);
  HalfAngleCos.Dim(n);
  if (VertexAngle.Count() != n || HalfAngleCos.Count() != n) return false;
  constexpr long double kTwoPi = 2 * std::numbers::pi_v<long double>;
  for (std::uint32_t i = 0; i < n; ++i) {
    // The repeated last point is skipped on both sides: point 0 follows N-2, point N-1 precedes 1.
    const std::uint32_t prev = i == 0 ? n - 2 : i - 1;
    const std::uint32_t next = i == n - 1 ? 1 : i + 1;
    VertexAngle.Data()[i] = kTwoPi - AngleAtVertex(Point(X, Y, i), Point(X, Y, prev), Point(X, Y, next));
    HalfAngleCos.Data()[i] = std::cos(VertexAngle.Data()[i] / 2);
  }
  return true;
}

bool TExtrusionShape::InwardNormals(TFloatList& nx, TFloatList& ny) const {
  const std::uint32_t n = X.Count();
  if (n < 2 || Y.Count() != n) return false;
  nx.Dim(n);
  ny.Dim(n);
  if (nx.Count() != n || ny.Count() != n) return false;
  for (std::uint32_t i = 0; i + 1 < n; ++i) {
    const std::uint32_t prev = i == 0 ? n - 2 : i - 1;
    long double dx = X.Data()[i + 1] - X.Data()[prev];
    long double dy = Y.Data()[i + 1] - Y.Data()[prev];
    // Turned by +pi/2: into the body for a counter-clockwise outline.
    long double x = -dy, y = dx;
    if (!Normalize2D(x, y)) return false;
    nx.Data()[i] = x;
    ny.Data()[i] = y;
  }
  nx.Data()[n - 1] = nx.Data()[0];
  ny.Data()[n - 1] = ny.Data()[0];
  return true;
}

bool TExtrusionShape::CanMove(const TFloatList& amount, const TFloatList& x, const TFloatList& y) const {
  const std::uint32_t n = X.Count();
  std::uint32_t watched = 0;
  for (bool w : Watched) watched += w ? 1 : 0;
  if (n < 2 || x.Count() != n || y.Count() != n || Watched.size() != n || amount.Count() < watched) {
    log_.AddLine("[Error] Error in reshaping. The outline to move does not match the outline of the body.");
    return false;
  }
  return true;
}

bool TExtrusionShape::MoveAlongDirection(const TFloatList& amount, TFloatList& x, TFloatList& y) const {
  if (!CanMove(amount, x, y)) return false;
  const std::uint32_t n = X.Count();
  std::uint32_t k = 0;
  for (std::uint32_t i = 0; i + 1 < n; ++i) {
    if (!Watched[i]) continue;
    x.Data()[i] += amount.Data()[k] * Reshape.DirectionX;
    y.Data()[i] += amount.Data()[k] * Reshape.DirectionY;
    ++k;
  }
  x.Data()[n - 1] = x.Data()[0];
  y.Data()[n - 1] = y.Data()[0];
  return true;
}

bool TExtrusionShape::MoveInward(const TFloatList& amount, TFloatList& x, TFloatList& y) const {
  if (!CanMove(amount, x, y)) return false;
  TFloatList nx, ny;
  if (!InwardNormals(nx, ny)) {
    log_.AddLine("[Error] Error in reshaping. Could not find the directions inside the body.");
    return false;
  }
  const std::uint32_t n = X.Count();
  const auto inside = static_cast<long double>(Reshape.DirectionInside);
  std::uint32_t k = 0;
  for (std::uint32_t i = 0; i + 1 < n; ++i) {
    if (!Watched[i]) continue;
    x.Data()[i] += amount.Data()[k] * nx.Data()[i] * inside;
    y.Data()[i] += amount.Data()[k] * ny.Data()[i] * inside;
    ++k;
  }
  x.Data()[n - 1] = x.Data()[0];
  y.Data()[n - 1] = y.Data()[0];
  return true;
}

}  // namespace zentrova
