// Job files: an INI file whose section "Main" names the world, the histories to run one after the
// other and the limits of the runs.
//
//   jobs                      "8-11" gives 008, 009, 010, 011 (both sides integers; nothing when the
//                             second is the smaller); any other text is a comma list, items may be quoted
//
// Keys are read as the profile functions read them (a Boolean is an integer, 0 false); a value that is no
// number, "exitAtFinish=true" among them, is alerted with its key and gives the default. A file in UTF-16
// with its byte-order mark is read as text, as the profile functions read it.
//   worldFile                 relative to the job file's folder, or absolute; default: the job file's
//                             name with its last three characters replaced by "wld"
//   maxMinutesForJob          wall-clock limit of one run (default and from 35791394 on: none)
//   delayStartMinutes         the first job waits this long (default 0)
//   framesPerSecond           the redraw rate during the jobs (default 0: none)
//   maxLinesInLog             the log's line limit after each load (default none)
//   maxMinutesForJobs         wall-clock limit of all jobs together (default none)
//   exitAtFinish              1: the program ends after the last job
//   createNextVersionAtEnd    1: the next version of the model is made after each job
//   lexicoRandomizationRange  "low,high": the LCP tolerances are scaled by a random factor in [low, high)
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zentrova {

class ILogSink;

// No limit: also the seconds of every limit of 35791394 minutes or more, which would overflow.
inline constexpr std::int32_t kNoJobLimit = 2147483647;
inline constexpr std::int32_t kFirstUnlimitedMinutes = 35791394;

// The settings of one job file as read.
struct TJobFile {
  std::string Jobs;
  std::string WorldFile;  // the path the jobs load, "\" turned into "/"
  std::int32_t MaxMinutesForJob = kNoJobLimit;
  std::int32_t DelayStartMinutes = 0;
  std::int32_t FramesPerSecond = 0;
  std::int32_t MaxLinesInLog = kNoJobLimit;
  std::int32_t MaxMinutesForJobs = kNoJobLimit;
  bool ExitAtFinish = false;
  bool CreateNextVersionAtEnd = false;
  std::string LexicoRandomizationRange = "0,0";
  // How messages name the range's key: "lexicoRandomizationRange in job file <name> line <n>".
  std::string LexicoRangeKey;
};

enum class TJobFileRead {
  Read,        // section "Main" with a non-empty "jobs"
  Missing,     // no such file
  Unreadable,  // the file could not be read, or is no text (a NUL byte): only "exitAtFinish" is read
  NoMain,      // no section "Main": nothing read
  NoJobs       // section "Main" without jobs: the other keys are read
};

// Reads section "Main" of the job file. The alerts of values that are no numbers, and the error line of a
// file that could not be read or holds a NUL byte, go to `log`.
TJobFileRead ReadJobFile(const std::string& file_name, TJobFile& job, ILogSink& log);

// The lines of a job file's bytes: UTF-16 with its byte-order mark becomes UTF-8; other bytes stay as they
// are. Lines end at LF, a CR before it dropped.
std::vector<std::string> JobFileLines(const std::string& bytes);

// The world file of a job file's "worldFile" value: an absolute path as given, else joined to the job
// file's folder; "\" becomes "/". An empty value names the job file's own name with "wld" for its last
// three characters.
std::string JobWorldFilePath(const std::string& job_file_name, const std::string& value);

// The job file named on the command line: an absolute path as given, a relative one joined to the
// current directory.
std::string JobFileArgumentPath(const std::string& argument, const std::string& current_directory);

// The history names of a "jobs" value; a range gives at most kMaxJobNames (one per history directory).
inline constexpr std::int32_t kMaxJobNames = 1000;
std::vector<std::string> JobNamesFromText(const std::string& text);
// What the job file must be told about a "jobs" value, or "": a range that names no job (its end below its
// start, a bound that is a whole number past 32 bits) or more than kMaxJobNames, and a value that names
// no job at all.
std::string JobNamesProblem(const std::string& text);

// Items separated by commas or blanks; an item in double quotes may hold both, and "" inside stands for
// one quote. Empty items are dropped: an empty job name would start a new history.
std::vector<std::string> SplitJobCommaText(const std::string& text);

// A limit in minutes as seconds: kNoJobLimit from kFirstUnlimitedMinutes on, 0 below 0.
std::int32_t JobLimitSeconds(std::int32_t minutes);

// The low and high factor of "lexicoRandomizationRange": exactly two reals with "." (which becomes the
// process-wide decimal separator). False, both 0, for anything else.
bool ReadLexicoRange(const std::string& text, long double& low, long double& high);
// The factors scale the world's LCP tolerances, which must stay finite and at least 0 as the world file
// has them: both factors must be so too.
bool LexicoFactorsFit(long double low, long double high);

}  // namespace zentrova
