// The settings of the watches file (.wtc) that derive the next version of a model from the watch results:
// the window of work values used for reshaping outlines, the constants updated from bodies' watches,
// the constants changed by fixed amounts, and the bodies that share one set of work statistics.
//
//   [reshapeWindow]       cutHiLowValues=0.1          standardDeviationRange=-2,2
//   [constantsUpdate]     body=A,B   constant=c1,c2   maxChange=0.01
//   [changeConstants]     constant=c1,c2              change=0.1,-0.2
//   [bodyBalancedUpdate]  body=A,B                    maxChange=0.5,0.7
//
// Every object is read only while it is not yet active, so the first reading that succeeds fixes it.
// A value that should be a real and is not fails the reading with "[Error] Check watches file.".
#pragma once

#include <string>
#include <vector>

#include "engine/log_sink.h"
#include "engine/model/value_statistics.h"
#include "numerics/float_list.h"

namespace zentrova {

class TIniFile;

// Logs "[Error] Check watches file. Line <n> of <file>, [<section>] <key>: <cause>." and gives false: every
// reading of the watches file refuses a value that way, naming where it is and what is wrong with it.
bool RefuseWatchesFile(const TIniFile& ini, const std::string& section, const std::string& key,
                       const std::string& cause, ILogSink& log);

// Splits a list the way the model files write them: items separated by commas, blanks or control
// characters, an item in double quotes kept whole; empty items are dropped.
std::vector<std::string> SplitCommaText(const std::string& text);

// Minimum, maximum, mean, median, standard deviation and sum of the work values that several bodies
// share; written and read by the next-version step.
struct TWorkStatistics : public TStatistics {};

class TReshapeWindow {
 public:
  // Reads section "reshapeWindow" while not active. The window stays off, with "[Error] reshapeWindow
  // turned off (incosistency in standardDeviationRange)." logged, unless standardDeviationRange holds two
  // numbers of which the second is the greater. False only for a value that is not a real.
  bool Read(const TIniFile& ini, ILogSink& log = ProgramLog());

  bool Active = false;
  long double CutHiLowValues = 0;
  long double RangeLow = -100;
  long double RangeHigh = 100;
};

class TConstantsUpdate {
 public:
  // Reads section "constantsUpdate" while not active; a non-empty body list makes it active.
  bool Read(const TIniFile& ini, ILogSink& log = ProgramLog());

  std::vector<std::string> Bodies;
  std::vector<std::string> Constants;
  TFloatList FirstValues;
  TFloatList SecondValues;
  long double MaxChange = 0;
  bool Active = false;
};

class TChangeConstants {
 public:
  // Reads section "changeConstants" while not active; a non-empty constant list makes it active, and
  // it is turned off again, with its message, when the lists of constants and changes differ in length.
  // Every reading starts the lists afresh, so a section read again for the next body adds nothing twice.
  bool Read(const TIniFile& ini, ILogSink& log = ProgramLog());

  std::vector<std::string> Constants;
  TFloatList Changes;
  bool Active = false;
};

class TBodyBalancedUpdate {
 public:
  // Reads section "bodyBalancedUpdate" while not active; a non-empty body list makes it active.
  bool Read(const TIniFile& ini, ILogSink& log = ProgramLog());

  std::vector<std::string> Bodies;
  long double MaxChangeLow = 0;
  long double MaxChangeHigh = 0;
  bool Active = false;
  TWorkStatistics Statistics;
};

// The next-version sections of a watches file, as the contact watches read them and the bodies reshape
// their outlines by them.
struct TNextVersionSettings {
  TConstantsUpdate ConstantsUpdate;
  TChangeConstants ChangeConstants;
  TBodyBalancedUpdate BodyBalancedUpdate;
  TReshapeWindow ReshapeWindow;
};

// One or two reals separated by a comma: the low and the high maximum change; a single value leaves the
// high one 0, an empty text gives 0 and 0. False when an item is not a real.
bool ReadMaxChange(const std::string& text, long double& low, long double& high);

}  // namespace zentrova
