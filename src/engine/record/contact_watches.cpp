#include "engine/record/contact_watches.h"

#include <cmath>
#include <numbers>

#include "engine/model/body.h"
#include "engine/model/model_text.h"
#include "platform/ini_file.h"
#include "platform/number_text.h"
#include "platform/paths.h"
#include "platform/strings.h"

namespace zentrova {

namespace {

const char* const kCommon = "Common";
// A point index of a watch list: an integer that is not negative.
bool ReadIndex(const std::string& text, std::int64_t& value) {
  std::int32_t v = 0;
  if (!TryTextToInt(Trim(text), v) || v < 0) return false;
  value = v;
  return true;
}

// The end of a range: an integer (a sign allowed), cut to the last point when it is beyond it or
// negative.
bool ReadRangeEnd(const std::string& text, std::int64_t last, std::int64_t& value) {
  std::int32_t v = 0;
  if (!TryTextToInt(Trim(text), v)) return false;
  value = (v > last || v < 0) ? last : v;
  return true;
}

}  // namespace

void TWatchesData::AddWatch(bool normal_tangential) {
  NormalImpulse.Add(0);
  TangentialImpulse.Add(0);
  AveragedRatio.Add(0);
  Work.Add(0);
  NormalTangential.Add(normal_tangential ? 1 : 0);
}

bool TContactWatches::Load(const std::string& FileName, TBodyList& bodies, std::int32_t history_number) {
  const std::string path = FindFile(FileName);
  if (path.empty()) {
    log_.AddLine("[Alert] No watches file found.");
    return true;
  }
  const TIniFile ini(path);
  if (!AcceptNulFreeText(ini.FirstLineWithNul(), path, log_)) return false;
  // [Common] holds the same values for every body: read once, where the first body's reading begins.
  if (bodies.Count() > 0) ReadCommon(ini);
  for (std::int32_t b = 0; b < bodies.Count(); ++b) {
    if (!ReadBodySection(ini, bodies.Items(b), history_number)) return false;
  }
  return true;
}

void TContactWatches::ReadCommon(const TIniFile& ini) {
  if (!ini.SectionExists(kCommon)) return;
  TimeConstant = ini.ReadFloat(kCommon, "timeConstant", 0);
  ConvertImpulseToForce = ini.ReadBool(kCommon, "convertImpulseToForce", false);
  CummulativeWork = ini.ReadBool(kCommon, "cummulativeWork", false);
  WriteAveragedTDivN = ini.ReadBool(kCommon, "writeAveragedTDivN", false);
  AbsoluteAngleInsteadOfWork = ini.ReadBool(kCommon, "absoluteAngleInsteadOfWork", false);
  ReshapingCycles = ini.ReadInteger(kCommon, "reshapingCycles", 1);
  SmoothWorkLeftRight = ini.ReadInteger(kCommon, "smoothWorkLeftRight", 0);
  // A force is the impulse divided by -timeConstant: without a time constant there is nothing to divide by.
  if (ConvertImpulseToForce && TimeConstant == 0) {
    ConvertImpulseToForce = false;
    log_.AddLine(
        "[Alert] convertImpulseToForce needs a timeConstant other than 0; impulses are recorded without "
        "conversion.");
  }
}

bool TContactWatches::ReadBodySection(const TIniFile& ini, TBody& body, std::int32_t history_number) {
  if (!ReshapeWindow.Read(ini, log_) || !ConstantsUpdate.Read(ini, log_) ||
      !ChangeConstants.Read(ini, log_) || !BodyBalancedUpdate.Read(ini, log_)) {
    return false;
  }

  std::string section = body.Name;
  if (ReshapingCycles > 1) {
    const std::int32_t cycle = (history_number < 0 ? 0 : history_number) % ReshapingCycles;
    section = body.Name + ":" + IntToText(cycle);
    if (!ini.SectionExists(section)) section = body.Name;
  }
  if (!ini.SectionExists(section)) return true;

  const std::string list = ini.ReadString(section, "contactwatch", "");
  TReshape& reshape = body.Solid.Shape.Reshape;
  reshape.DirectionX = ini.ReadFloat(section, "directionX", 0);
  reshape.DirectionY = ini.ReadFloat(section, "directionY", 0);
  reshape.DirectionInside = ini.ReadInteger(section, "directionInside", 0);
  if (reshape.DirectionInside != 0 && (reshape.DirectionX != 0 || reshape.DirectionY != 0)) {
    log_.AddLine("[Alert] Watches change direction can be X,Y or Inside, but not both. X, Y set to 0.");
    reshape.DirectionX = 0;
    reshape.DirectionY = 0;
  }
  const std::string max_change = ini.ReadString(section, "maxChange", "0");
  if (!ReadMaxChange(max_change, reshape.MaxChangeLow, reshape.MaxChangeHigh)) {
    return RefuseWatchesFile(ini, section, "maxChange", "not a list of numbers: " + max_change, log_);
  }
  return ParseWatchList(body, list, ini, section);
}

bool TContactWatches::ParseWatchList(TBody& body, const std::string& text, const TIniFile& ini,
                                     const std::string& section) {
  const std::int64_t n = body.Solid.Shape.Count();
  // The last distinct point: point n - 1 repeats point 0.
  const std::int64_t last = n - 2;
  const std::string points =
      last < 0 ? "body " + body.Name + " has no outline points"
               : "the points of body " + body.Name + " are 0 to " + IntToText(last);
  auto refuse = [&](const std::string& what) {
    return RefuseWatchesFile(ini, section, "contactwatch", what + "; " + points, log_);
  };
  const std::string whole = LowerCase(Trim(text));
  if (whole == "all:" || whole == "[all:]") {
    if (last < 0) return refuse(Trim(text) + " watches nothing");
    AddRangeWatch(body, 0, whole == "all:", static_cast<std::uint32_t>(last));
    return true;
  }
  if (whole == "all" || whole == "[all]") {
    for (std::int64_t i = 0; i <= last; ++i)
      AddPointWatch(body, static_cast<std::uint32_t>(i), whole == "all");
    return true;
  }

  for (std::string item : SplitCommaText(text)) {
    bool normal_tangential = true;
    if (item[0] == '[') {
      if (item.size() < 2 || item.back() != ']') return refuse(item + " lacks its closing ]");
      normal_tangential = false;
      item = item.substr(1, item.size() - 2);
    }
    const std::size_t dash = item.find('-');
    const std::size_t colon = item.find(':');
    std::int64_t from = 0;
    std::int64_t to = 0;
    if (dash != std::string::npos || colon != std::string::npos) {
      const std::size_t at = dash != std::string::npos ? dash : colon;
      if (!ReadIndex(item.substr(0, at), from) || !ReadRangeEnd(item.substr(at + 1), last, to)) {
        return refuse(item + " is no range of point numbers");
      }
      if (from > last) return refuse(item + " starts beyond the last point");
      if (to < from) return refuse(item + " runs backwards");
      if (dash != std::string::npos) {
        for (std::int64_t i = from; i <= to; ++i) {
          AddPointWatch(body, static_cast<std::uint32_t>(i), normal_tangential);
        }
      } else {
        AddRangeWatch(body, static_cast<std::uint32_t>(from), normal_tangential,
                      static_cast<std::uint32_t>(to));
      }
    } else {
      if (!ReadIndex(item, from)) return refuse(item + " is no point number");
      if (from > last) return refuse("point " + item + " does not exist");
      AddPointWatch(body, static_cast<std::uint32_t>(from), normal_tangential);
    }
  }
  return true;
}

void TContactWatches::AddPointWatch(TBody& body, std::uint32_t i, bool normal_tangential) {
  const std::string point = IntToText(i);
  Names.push_back(body.Name + "#" + (normal_tangential ? point : "[" + point + "]"));
  const auto w = static_cast<std::int32_t>(Names.size() - 1);
  Data.AddWatch(normal_tangential);
  StepData.AddWatch(normal_tangential);
  MarkWatchedPoint(body, i, w);
}

void TContactWatches::AddRangeWatch(TBody& body, std::uint32_t from, bool normal_tangential,
                                    std::uint32_t to) {
  const std::string range = IntToText(from) + ":" + IntToText(to);
  Names.push_back(body.Name + "#" + (normal_tangential ? range : "[" + range + "]"));
  const auto w = static_cast<std::int32_t>(Names.size() - 1);
  Data.AddWatch(normal_tangential);
  StepData.AddWatch(normal_tangential);
  for (std::uint32_t i = from; i <= to; ++i) MarkWatchedPoint(body, i, w);
}

void TContactWatches::MarkWatchedPoint(TBody& body, std::uint32_t i, std::int32_t w) {
  TExtrusionShape& shape = body.Solid.Shape;
  const std::uint32_t n = shape.Count();
  if (i >= n || shape.Watched.size() != n || shape.WatchIndex.size() != n) return;
  auto mark = [&](std::uint32_t p) {
    shape.Watched[p] = true;
    shape.WatchIndex[p] = w;
  };
  mark(i);
  // The closing point and the first point are one point.
  if (i == 0) mark(n - 1);
  if (i == n - 1) mark(0);
}

void TContactWatches::BeginStep(TWatchesData& data) {
  if (!data.Cleared) {
    data.NormalImpulse.Zero();
    data.TangentialImpulse.Zero();
    data.Work.Zero();
  }
  data.Cleared = true;
}

long double TContactWatches::ContactAngle(long double tangent_x, long double tangent_y, bool on_vertex) {
  constexpr double kPi = std::numbers::pi;
  double a =
      tangent_x == 0 ? kPi / 2 : std::atan2(static_cast<double>(tangent_y), static_cast<double>(tangent_x));
  if (a < 0) a += 2 * kPi;
  a -= kPi / 2;
  if (a < 0) a += 2 * kPi;
  if (on_vertex) {
    a += kPi;
    if (a > 2 * kPi) a -= 2 * kPi;
  }
  return a >= kPi ? a - 2 * kPi : a;
}

bool TContactWatches::AddContactImpulse(TWatchesData& data, const TWatchedContact& contact, std::uint32_t w,
                                        bool on_vertex, long double s, long double h) {
  if (w >= data.Count()) return false;
  const bool normal_tangential = data.NormalTangential.At(w) != 0;
  const long double sign_s = on_vertex && !normal_tangential ? -s : s;
  // World x and y of a (normal, tangential) pair; the normal is the tangent turned by +90 degrees.
  auto components = [&](long double n, long double t, long double& p, long double& q) {
    if (normal_tangential) {
      p = n;
      q = t;
    } else {
      p = -n * contact.TangentY + t * contact.TangentX;
      q = n * contact.TangentX + t * contact.TangentY;
    }
  };
  long double p = 0;
  long double q = 0;
  long double* normal = data.NormalImpulse.Data();
  long double* tangential = data.TangentialImpulse.Data();
  components(contact.ImpulseNormal, contact.ImpulseTangent, p, q);
  normal[w] += sign_s * p;
  tangential[w] += sign_s * q;
  // A resting force acts over the step: force times h is its impulse.
  components(contact.ForceNormal, contact.ForceTangent, p, q);
  normal[w] += sign_s * p * h;
  tangential[w] += sign_s * q * h;
  if (AbsoluteAngleInsteadOfWork) {
    data.Work.Data()[w] = ContactAngle(contact.TangentX, contact.TangentY, on_vertex);
  } else {
    data.Work.Data()[w] += s * contact.Work;
  }
  data.Cleared = false;
  return true;
}

void TContactWatches::EndStep(long double t) {
  if (TimeConstant == 0 && StepData.Cleared) return;
  // Data(t) = exp(-(t - LastTime) / tau) * Data(LastTime) + StepData / divisor
  const long double decay = TimeConstant > 0 ? std::exp(-(t - LastTime) / TimeConstant) : 1.0L;
  const long double divisor = ConvertImpulseToForce && TimeConstant != 0 ? -TimeConstant : 1.0L;
  const std::uint32_t count = Data.Count() < StepData.Count() ? Data.Count() : StepData.Count();
  for (std::uint32_t w = 0; w < count; ++w) {
    Data.NormalImpulse.Data()[w] =
        decay * Data.NormalImpulse.Data()[w] + StepData.NormalImpulse.Data()[w] / divisor;
    Data.TangentialImpulse.Data()[w] =
        decay * Data.TangentialImpulse.Data()[w] + StepData.TangentialImpulse.Data()[w] / divisor;
    Data.Work.Data()[w] += StepData.Work.Data()[w];
  }
  Data.Cleared = false;
  LastTime = t;
}

void TContactWatches::AfterRecord() {
  if (TimeConstant == 0 && !CummulativeWork) {
    BeginStep(Data);
    return;
  }
  // With decay the impulses fade and are never cleared; the work covers the interval since the last
  // record unless it is cumulative.
  if (!CummulativeWork) Data.Work.Zero();
  if (TimeConstant == 0) {
    Data.NormalImpulse.Zero();
    Data.TangentialImpulse.Zero();
  }
}

}  // namespace zentrova
