// Contact watches: what the contacts at chosen outline points of a body transmit (the impulse of
// impacts, the resting force times the time step, the work or, on request, the contact's direction),
// collected per step and per recorded state.
//
// Watches file (.wtc), an INI file:
//   [Common]       timeConstant (0: no decay), convertImpulseToForce, cummulativeWork,
//                  writeAveragedTDivN, absoluteAngleInsteadOfWork (Booleans as integers),
//                  reshapingCycles (1), smoothWorkLeftRight (0)
//   [body] or [body:cycle]
//                  contactwatch   the watch list (below)
//                  directionX, directionY, directionInside, maxChange   reshaping of the body's outline
// plus the sections of the next-version settings (watch_settings.h).
//
// A watch list is "all" (one normal-tangential watch per distinct outline point), "[all]" (one x-y watch
// per point), "all:" (one normal-tangential watch over every point), "[all:]", or items separated by
// commas: "i" one watch for point i, "a-b" one watch for each point a..b, "a:b" one watch over the points
// a..b; an item in brackets makes x-y watches. A range end beyond the last distinct point, or a negative
// one, is cut to it. A point index outside the outline, a range that runs backwards and an item that is
// not such a number fail the load with "[Error] Check watches file.".
//
// A section exists when its header stands in the file, even with no key under it: an empty [Common]
// still makes reshapingCycles 1, an empty body section gives the body no watch and resets its reshaping.
//
// Watch names: body + "#" + i, "#[" + i + "]", "#" + a + ":" + b or "#[" + a + ":" + b + "]".
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/model/watch_settings.h"
#include "numerics/float_list.h"
#include "numerics/int_list.h"

namespace zentrova {

class TBody;
class TBodyList;
class TIniFile;

// The accumulated values of every watch; entry w of each list belongs to watch w.
class TWatchesData {
 public:
  // Appends a watch: 0 to the four value lists, 1 (normal-tangential) or 0 (x-y) to NormalTangential.
  void AddWatch(bool normal_tangential);
  std::uint32_t Count() const { return NormalTangential.Count(); }

  TFloatList NormalImpulse;      // normal, or world x component
  TFloatList TangentialImpulse;  // tangential, or world y component
  TFloatList AveragedRatio;      // running mean of tangential / normal over the records; never cleared
  TFloatList Work;               // work, or the contact angle
  TIntList NormalTangential;
  bool Cleared = true;
};

// What one contact hands to its watches (set by the contact solution of a step).
struct TWatchedContact {
  long double ImpulseNormal = 0;
  long double ImpulseTangent = 0;
  long double ForceNormal = 0;
  long double ForceTangent = 0;
  long double Work = 0;
  long double TangentX = 0;  // unit tangent in the world frame; the normal is it turned by +90 degrees
  long double TangentY = 0;
};

class TContactWatches : public TNextVersionSettings {
 public:
  // The watches log their readings to `log`, which outlives them.
  explicit TContactWatches(ILogSink& log = ProgramLog()) : log_(log) {}
  TContactWatches(const TContactWatches&) = delete;
  TContactWatches& operator=(const TContactWatches&) = delete;

  // Reads every body's section in body order; `history_number` (the number of the current history
  // directory) picks the section body + ":" + number mod reshapingCycles when there are several cycles.
  // A missing file is only reported ("[Alert] No watches file found.") and gives true. False, after
  // "[Error] Check watches file.", when a watch list or a number cannot be read or names a point
  // outside the body's outline; false after its error line when a line holds a NUL byte.
  bool Load(const std::string& FileName, TBodyList& bodies, std::int32_t history_number);

  // Sets the three accumulated lists of `data` to 0 unless they are so already.
  void BeginStep(TWatchesData& data);
  // Adds one contact's contribution to watch w of `data`: with weight s for a point of the edge body,
  // or for the vertex body's point (`on_vertex`), whose x-y watches take the contact negated. h is the
  // time step. False for a watch that does not exist.
  bool AddContactImpulse(TWatchesData& data, const TWatchedContact& contact, std::uint32_t w, bool on_vertex,
                         long double s, long double h);
  // Folds the last step's contributions into Data at time t, the recorded values decaying with
  // TimeConstant and divided by -TimeConstant when impulses are converted to forces.
  void EndStep(long double t);
  // Clears what is accumulated per record, after the history wrote a line.
  void AfterRecord();

  // The direction of a contact seen from one of its bodies, in [-pi, pi).
  static long double ContactAngle(long double tangent_x, long double tangent_y, bool on_vertex);

  std::uint32_t Count() const { return static_cast<std::uint32_t>(Names.size()); }

  std::vector<std::string> Names;
  TWatchesData Data;
  TWatchesData StepData;
  long double LastTime = 0;
  long double TimeConstant = 0;
  bool ConvertImpulseToForce = false;
  bool CummulativeWork = false;
  bool WriteAveragedTDivN = false;
  bool AbsoluteAngleInsteadOfWork = false;
  std::int32_t ReshapingCycles = 0;
  std::int32_t SmoothWorkLeftRight = 0;

 private:
  bool ReadBodySection(const TIniFile& ini, TBody& body, std::int32_t history_number);
  void ReadCommon(const TIniFile& ini);
  // The list of key "contactwatch" of the section; a refusal names the section and the item.
  bool ParseWatchList(TBody& body, const std::string& text, const TIniFile& ini, const std::string& section);

  ILogSink& log_;
  void AddPointWatch(TBody& body, std::uint32_t i, bool normal_tangential);
  void AddRangeWatch(TBody& body, std::uint32_t from, bool normal_tangential, std::uint32_t to);
  static void MarkWatchedPoint(TBody& body, std::uint32_t i, std::int32_t w);
};

}  // namespace zentrova
