#include "engine/record/history.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <functional>
#include <string_view>
#include <system_error>
#include <utility>

#include "engine/record/contact_watches.h"
#include "engine/record/three_digit_names.h"
#include "numerics/float_list.h"
#include "numerics/int_list.h"
#include "platform/line_file.h"
#include "platform/number_text.h"
#include "platform/paths.h"
#include "platform/settings.h"
#include "platform/strings.h"
#include "platform/text_file.h"

namespace zentrova {

namespace {

constexpr std::int32_t kMaxHistoryNumber = 999;
constexpr long double kBytesPerMegabyte = 1048576.0L;
const char* const kDataFile = "data.txt";
const char* const kWatchesFile = "watches.txt";
const char* const kLogFile = "log.txt";
// Log lines: 0 data header, 1 comment, 2 start time, 3 end time, 4 watches header, 5... the runs.
constexpr std::size_t kCommentLine = 1;
constexpr std::size_t kFirstRunLine = 5;

// The name of a numbered history directory: exactly three digits.
bool IsHistoryName(const std::string& name) {
  if (name.size() != 3) return false;
  for (char c : name) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

// One recorded number and its blank, appended to the line being built.
void AppendField(std::string& line, long double value) {
  AppendSci23(value, line);
  line.push_back(' ');
}

// The values a watch has in a watches.txt record: its two impulses and its work, and its averaged ratio
// when the watches write it.
std::size_t ValuesPerWatch(const TContactWatches* watches) {
  return watches != nullptr && watches->WriteAveragedTDivN ? 4 : 3;
}

// Whether a watch name is of the x-y kind.
bool XYWatch(const std::string& name) {
  return name.find('[') != std::string::npos;
}

// Two paths of one file or directory, whatever their spelling.
bool SamePath(const std::string& a, const std::string& b) {
  if (a.empty() || b.empty()) return false;
  std::error_code ec;
  const auto ca = std::filesystem::weakly_canonical(std::filesystem::path(a), ec);
  if (ec) return false;
  const auto cb = std::filesystem::weakly_canonical(std::filesystem::path(b), ec);
  if (ec) return false;
  return ca.lexically_normal() == cb.lexically_normal();
}

// The last folder name of a directory path with its trailing separator.
std::string LastFolderName(const std::string& directory) {
  std::string d = directory;
  while (!d.empty() && d.back() == '/') d.pop_back();
  const std::size_t slash = d.rfind('/');
  return slash == std::string::npos ? d : d.substr(slash + 1);
}

// The names "000".."999", ascending, that may exist under the base directory (with its trailing
// separator, or "" for the current folder): the three-digit names one listing of the folder shows. A name
// the listing does not show does not exist. A folder that cannot be listed (missing, not a folder,
// searchable but not readable) gives every name, to be probed one by one.
std::vector<std::string> HistoryNameCandidates(const std::string& base) {
  std::vector<std::string> names;
  std::error_code ec;
  std::filesystem::directory_iterator entry(
      base.empty() ? std::filesystem::path(".") : std::filesystem::path(base), ec);
  for (; !ec && entry != std::filesystem::directory_iterator(); entry.increment(ec)) {
    std::string name = entry->path().filename().string();
    if (IsHistoryName(name)) names.push_back(std::move(name));
  }
  if (ec) {
    names.clear();
    for (std::int32_t i = 0; i <= kMaxHistoryNumber; ++i) names.push_back(IntToStr3(i));
  }
  std::sort(names.begin(), names.end());  // three digits: the text order is the number order
  return names;
}

// "[Error] Could not <action> history file <file>: <the system's reason>."
std::string FileErrorLine(const std::string& action, const std::string& file_name, int error) {
  return "[Error] Could not " + action + " history file " + file_name + ReasonText(error) + ".";
}

std::string ReadError(const std::string& file_name, int error) {
  return FileErrorLine("read", file_name, error);
}

std::string NotRegularLine(const std::string& file_name) {
  return "[Error] History file " + file_name + " is not a regular file.";
}

// Reads a history file whole into `text`. One that is there but cannot be read, or is no regular file,
// is named with the reason in the log; a missing one is left to the caller.
TReadResult ReadHistoryText(const std::string& file_name, std::string& text, ILogSink& log) {
  int error = 0;
  const TReadResult result = ReadRegularFile(file_name, text, &error);
  if (result == TReadResult::NotRegular) log.AddLine(NotRegularLine(file_name));
  if (result == TReadResult::Failed) log.AddLine(ReadError(file_name, error));
  return result;
}

// ReadHistoryText into a reader; "" is a missing file.
TReadResult ReadHistoryFile(const std::string& file_name, TTextReader& reader, ILogSink& log) {
  std::string text;
  const TReadResult result = file_name.empty() ? TReadResult::Missing : ReadHistoryText(file_name, text, log);
  reader.OpenText(std::move(text));
  return result;
}

std::string LineError(const std::string& file_name, std::size_t line) {
  return "[Error] Check history file " + file_name + " (line " + IntToText(static_cast<std::int64_t>(line)) +
         ").";
}

// The first `count` reals of a recorded line, the rest of the line skipped; false when the line holds
// fewer or one of them is not a real written with ".".
bool LeadingValues(const std::string& line, std::size_t count, std::vector<long double>& values) {
  values.clear();
  TTextReader reader;
  reader.OpenText(line);
  std::string token;
  while (values.size() < count) {
    long double v = 0;
    if (!reader.ReadToken(token) || !TryTextToFloatDot(token, v)) return false;
    values.push_back(v);
  }
  return true;
}

// A recorded file as far as its lines are whole: its text up to the last line end, and where each of its
// records (its non-blank lines) starts and ends, with its time.
struct TRecordedFile {
  std::string name;
  bool read = false;  // the file exists and could be read
  std::size_t size = 0;
  std::string text;
  std::vector<std::size_t> starts;  // offset of each record's first byte
  std::vector<std::size_t> ends;    // offset past each record's line end
  std::vector<long double> times;
  bool replace = false;            // records before others were dropped: the file is written anew, not cut

  std::size_t Records() const { return times.size(); }
  std::string Line(std::size_t record) const {
    std::string line = text.substr(starts[record], ends[record] - starts[record]);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    return line;
  }
};

// Reads a recorded file; `file.read` tells whether it exists. A last line without its line end (a write
// the kill cut short) is dropped with an alert. False after the error line when the file cannot be read
// or is no regular file, and at the first record that does not begin with `fields` reals, or whose time
// is not after the time of the record before it: times only ever go forward in a history, and a
// continued run would append after a time that is not its last.
bool ReadRecordedFile(const std::string& file_name, std::size_t fields, ILogSink& log, TRecordedFile& file) {
  file = TRecordedFile();
  file.name = file_name;
  const TReadResult result = ReadHistoryText(file_name, file.text, log);
  if (result == TReadResult::Missing) return true;
  if (result != TReadResult::Read) return false;
  file.read = true;
  file.size = file.text.size();
  const std::size_t whole = file.text.rfind('\n') + 1;  // 0 without any line end
  if (whole < file.size) {
    log.AddLine("[Alert] Dropped the incomplete last line of history file " + file_name + ".");
    file.text.resize(whole);
  }
  std::size_t line_start = 0;
  std::size_t number = 1;
  for (std::size_t end = file.text.find('\n'); end != std::string::npos;
       line_start = end + 1, end = file.text.find('\n', line_start), ++number) {
    const std::string_view line(file.text.data() + line_start, end - line_start);
    // What Trim leaves: the reading skips every other line.
    if (std::all_of(line.begin(), line.end(), [](char c) { return static_cast<unsigned char>(c) <= ' '; }))
      continue;
    std::vector<long double> time;
    if (!LeadingValues(std::string(line), fields, time)) {
      log.AddLine(LineError(file_name, number));
      return false;
    }
    if (!file.times.empty() && !(time[0] > file.times.back())) {
      log.AddLine("[Error] Check history file " + file_name + " (line " +
                  IntToText(static_cast<std::int64_t>(number)) + "): its time " + FloatToText(time[0]) +
                  " is not after the time " + FloatToText(file.times.back()) + " of the record before it.");
      return false;
    }
    file.starts.push_back(line_start);
    file.ends.push_back(end + 1);
    file.times.push_back(time[0]);
  }
  return true;
}

// The times of the given records as short text: runs of neighbouring records as "first to last", the
// first few runs only.
std::string TimeRanges(const TRecordedFile& file, const std::vector<std::size_t>& records) {
  constexpr std::size_t kShownRuns = 4;
  std::string text;
  std::size_t runs = 0;
  for (std::size_t i = 0; i < records.size();) {
    std::size_t j = i;
    while (j + 1 < records.size() && records[j + 1] == records[j] + 1) ++j;
    if (runs == kShownRuns) {
      text += ", ...";
      break;
    }
    if (runs > 0) text += ", ";
    text += FloatToText(file.times[records[i]]);
    if (j > i) text += " to " + FloatToText(file.times[records[j]]);
    ++runs;
    i = j + 1;
  }
  return text;
}

std::string RecordCount(std::size_t count) {
  return IntToText(static_cast<std::int64_t>(count)) + (count == 1 ? " record" : " records");
}

// Matches the records of the two files by their times. A watches record whose time data.txt does not
// hold is no record of the history (a run killed between its two writes of a record left it ahead) and
// goes; a data record is always kept, and the times that watches.txt misses are named once. Each with
// its "[Alert]".
void MatchRecords(const TRecordedFile& data, TRecordedFile& watches, ILogSink& log) {
  std::vector<std::size_t> missing;  // data records without a watches record
  std::vector<std::size_t> extra;    // watches records without a data record
  std::size_t i = 0;
  std::size_t j = 0;
  while (i < data.Records() || j < watches.Records()) {
    if (j == watches.Records() || (i < data.Records() && data.times[i] < watches.times[j])) {
      missing.push_back(i++);
    } else if (i == data.Records() || watches.times[j] < data.times[i]) {
      extra.push_back(j++);
    } else {
      ++i;
      ++j;
    }
  }
  if (!extra.empty()) {
    log.AddLine("[Alert] Dropped " + RecordCount(extra.size()) + " of history file " + watches.name +
                " that " + data.name + " does not hold (time " + TimeRanges(watches, extra) + ").");
    const std::size_t first = extra.front();
    if (extra.size() == watches.Records() - first) {
      // All at the end: the file is cut there.
      watches.text.resize(watches.starts[first]);
      for (auto* list : {&watches.starts, &watches.ends}) list->resize(first);
      watches.times.resize(first);
    } else {
      std::vector<bool> drop(watches.Records(), false);
      for (const std::size_t k : extra) drop[k] = true;
      TRecordedFile kept;
      kept.name = watches.name;
      kept.read = watches.read;
      kept.size = watches.size;
      kept.replace = true;
      std::size_t from = 0;
      for (std::size_t r = 0; r < watches.Records(); ++r) {
        kept.text.append(watches.text, from, watches.starts[r] - from);  // the blank lines before it
        from = watches.ends[r];
        if (drop[r]) continue;
        kept.starts.push_back(kept.text.size());
        kept.text.append(watches.text, watches.starts[r], watches.ends[r] - watches.starts[r]);
        kept.ends.push_back(kept.text.size());
        kept.times.push_back(watches.times[r]);
      }
      kept.text.append(watches.text, from, std::string::npos);
      watches = std::move(kept);
    }
  }
  if (!missing.empty()) {
    log.AddLine("[Alert] History file " + watches.name + " holds no record at " +
                IntToText(static_cast<std::int64_t>(missing.size())) +
                (missing.size() == 1 ? " time" : " times") + " of " + data.name + " (time " +
                TimeRanges(data, missing) + "); the records of " + data.name + " are kept.");
  }
}

std::vector<std::string> TextLines(const std::string& text) {
  std::vector<std::string> lines;
  TTextReader reader;
  reader.OpenText(text);
  for (std::string line; reader.ReadLine(line);) lines.push_back(line);
  return lines;
}

// Every non-blank line of an open recorded file goes to `take` as its first `count` reals, in file order
// (a history started from another one begins with the empty lines of a short file). False after the
// line's error at the first line that holds fewer; the lines before it have been taken.
bool ReadRecords(TTextReader& reader, const std::string& file_name, std::size_t count,
                 const std::function<void(const std::vector<long double>&)>& take, ILogSink& log) {
  std::string line;
  std::vector<long double> values;
  for (std::size_t number = 1; reader.ReadLine(line); ++number) {
    if (Trim(line).empty()) continue;
    if (!LeadingValues(line, count, values)) {
      log.AddLine(LineError(file_name, number));
      return false;
    }
    take(values);
  }
  return true;
}

}  // namespace

THistory::THistory(IHistoryWorld& world, ILogSink& log) : world_(world), sink_(log) {}

THistory::~THistory() {
  Close(THistoryRemoval::Keep);
  if (connected_log_ != nullptr) connected_log_->SetHistory(nullptr);
}

void THistory::ConnectLog(TLog& log) {
  DisconnectLog();
  log.SetHistory(this);
  connected_log_ = &log;
}

void THistory::DisconnectLog() {
  if (connected_log_ != nullptr) connected_log_->SetHistory(nullptr);
  connected_log_ = nullptr;
}

void THistory::SetWindows(IHistoryFilesWindow* files, ILogWindow* log) {
  files_window_ = files;
  log_window_ = log;
}

// --- Directories -------------------------------------------------------------------------------------

void THistory::SetFileNames(const std::string& directory) {
  std::lock_guard<std::mutex> lock(log_mutex_);
  Directory = directory;
  DataFileName = directory + kDataFile;
  WatchesFileName = directory + kWatchesFile;
  LogFileName = directory + kLogFile;
  // The log of another directory: this one's log.txt is first written with its header.
  log_file_current_ = false;
  log_started_ = false;
  data_line_end_ = TLineEnd::CrLf;
  watches_line_end_ = TLineEnd::CrLf;
  log_line_end_ = TLineEnd::CrLf;
}

bool THistory::SelectDirectory(std::string& short_name) {
  // The name first: the list marks the row of a history that is loaded again as the current one.
  ShortName = short_name;
  RefusedLine.clear();
  ScanHistories();
  if (ShortName.empty()) {
    const bool created = CreateNew();
    short_name = ShortName;
    return created;
  }
  return OpenExisting();
}

bool THistory::MakeNumberedDirectory(const std::string& base, std::string& name, TDirectoryLock& lock) {
  // A file of that name takes the number as much as a directory does; so does a name that cannot be
  // looked at.
  std::vector<bool> taken(kMaxHistoryNumber + 1, false);
  for (const std::string& candidate : HistoryNameCandidates(base)) {
    std::error_code ec;
    if (std::filesystem::exists(std::filesystem::path(base + candidate), ec) || ec) {
      taken[static_cast<std::size_t>(Str3ToInt(candidate))] = true;
    }
  }
  for (std::int32_t i = 0; i <= kMaxHistoryNumber; ++i) {
    if (taken[static_cast<std::size_t>(i)]) continue;
    const std::string candidate = IntToStr3(i);
    const std::string directory = base + candidate + "/";
    // Making the directory is what takes the number: another run that lists the folder at the same
    // moment finds it made (or a broken link there) and goes on to the next number.
    std::error_code ec;
    if (!std::filesystem::create_directory(std::filesystem::path(directory), ec)) {
      if (!ec || ec == std::errc::file_exists) continue;
      sink_.AddLine("[Error] Could not create history directory " + directory + ReasonText(ec.value()) + ".");
      return false;
    }
    // Only a run that named the new number at once can hold it already: it finds no model copy there.
    const TDirectoryLock::TResult held = Hold(directory, lock);
    if (held == TDirectoryLock::TResult::Held || held == TDirectoryLock::TResult::Missing) continue;
    name = candidate;
    if (!StartDirectory(directory)) return false;
    return true;
  }
  sink_.AddLine("[Error] Maximum number of history files reached (" + IntToText(kMaxHistoryNumber) + ").");
  return false;
}

bool THistory::StartDirectory(const std::string& directory) {
  // The mark goes first: a run killed before the copy of the model is whole leaves it behind.
  const std::pair<const char*, std::vector<std::string>> files[] = {
      {kModelCopyIncompleteFile,
       {"The model files were being copied into this history directory; the copy is complete once this file "
        "is gone."}},
      {kDataFile, {}},
      {kWatchesFile, {}}};
  for (const auto& [name, lines] : files) {
    int error = 0;
    if (!ReplaceTextLines(directory + name, lines, TLineEnd::CrLf, &error)) {
      sink_.AddLine(FileErrorLine("create", directory + name, error));
      return false;
    }
  }
  return true;
}

TDirectoryLock::TResult THistory::Hold(const std::string& directory, TDirectoryLock& lock) {
  const TDirectoryLock::TResult result = lock.TryLock(directory);
  if (result == TDirectoryLock::TResult::Unsupported) {
    sink_.AddLine("[Alert] History directory " + directory +
                  " cannot be locked; another run could record into it at the same time.");
  }
  return result;
}

bool THistory::CreateNew() {
  const std::string base = IncludeTrailingSeparator(world_.HistoryBaseDirectory());
  std::string name;
  TDirectoryLock lock;
  const bool made = MakeNumberedDirectory(base, name, lock);
  // A directory made whose files could not be is this load's all the same, to be removed again.
  if (!name.empty()) {
    lock_ = std::move(lock);
    ShortName = name;
    world_.MarkNewHistoryDirectory();
    SetFileNames(base + name + "/");
  }
  return made;
}

bool THistory::CreateVersionDirectory(std::string& directory, TDirectoryLock& lock) {
  const std::string base = IncludeTrailingSeparator(world_.KeptHistoryBaseDirectory());
  std::string name;
  const bool created = MakeNumberedDirectory(base, name, lock);
  directory = name.empty() ? std::string() : base + name + "/";
  return created;
}

bool THistory::OpenExisting() {
  const std::string directory = IncludeTrailingSeparator(world_.HistoryBaseDirectory()) + ShortName + "/";
  // Only a numbered directory is a history: any other name could lead anywhere.
  if (IsHistoryName(ShortName) && DirectoryExists(directory)) {
    TDirectoryLock lock;
    const TDirectoryLock::TResult held = Hold(directory, lock);
    if (held == TDirectoryLock::TResult::Held) {
      // Two runs recording into one history would interleave their records and overwrite each other's
      // log: the second one writes nothing to it.
      RefusedLine = "[Error] Another run records into history directory " + directory + ".";
      sink_.AddLine(RefusedLine);
      return false;
    }
    if (held != TDirectoryLock::TResult::Missing) {
      lock_ = std::move(lock);
      SetFileNames(directory);
      return true;
    }
  }
  sink_.AddLine("[Error] The requested history file (short name=" + ShortName + ") could not be found.");
  return false;
}

bool THistory::ModelCopyComplete(const std::string& directory) {
  const std::string dir = IncludeTrailingSeparator(directory);
  if (FileExists(dir + kModelCopyIncompleteFile)) return false;
  // A history directory made before the mark was written, or by a run killed before it wrote the mark,
  // is judged by what it holds: a copy has begun once it holds a file that is not one of the history's
  // own. Older histories thus continue as they did.
  for (const std::string& name : ListDirectory(dir, false)) {
    if (name != kDataFile && name != kWatchesFile && name != kLogFile && !name.ends_with(".new")) return true;
  }
  return false;
}

bool THistory::MarkModelCopied(const std::string& directory, ILogSink& log) {
  const std::string mark = IncludeTrailingSeparator(directory) + kModelCopyIncompleteFile;
  if (!FileExists(mark) || DeleteFile(mark)) return true;
  log.AddLine("[Error] Could not delete file " + mark + ".");
  return false;
}

bool THistory::ModelCopied() {
  return MarkModelCopied(Directory, sink_);
}

void THistory::Close(THistoryRemoval removal) {
  CloseFiles();
  const std::string directory = Directory;
  if (removal != THistoryRemoval::Always) SaveLog();
  // Removed while this run still holds it: no other run can have begun to record into it.
  if (removal != THistoryRemoval::Keep && !directory.empty()) {
    DeleteDirectory(directory, removal == THistoryRemoval::IfEmpty, sink_);
  }
  {
    std::lock_guard<std::mutex> lock(log_mutex_);
    log_file_current_ = false;
    log_started_ = false;
  }
  lock_.Release();
}

// --- Reading back ----------------------------------------------------------------------------------------

bool THistory::Restart(bool read_log) {
  if (!Load(read_log)) return false;
  if (Points.Count() > 0) {
    world_.SetCurrentState(0);
    world_.RestoreHistoryPoint();
  }
  return WriteLogHeader();
}

bool THistory::Load(bool read_log) {
  // Refused before anything is opened: a FIFO would hold the load for ever, a device would be read without
  // end, and log.txt would be replaced by the rewrite of its header.
  for (const std::string* file : {&DataFileName, &WatchesFileName, &LogFileName}) {
    if (IsSpecialFile(*file)) {
      sink_.AddLine(NotRegularLine(*file));
      return false;
    }
  }
  // One that is there but cannot be read would be replaced by the rewrite of its header.
  if (read_log && !ReadLog() && FileExists(LogFileName)) return false;
  if (!MendRecords()) return false;
  bool ok = ReadData();
  ok = ReadWatches() && ok;
  return ok;
}

bool THistory::MendRecords() {
  TRecordedFile data;
  // Every record is read whole before anything is written: a history that is refused stays as it was.
  const std::size_t data_fields = 2 + 3 * std::size_t{world_.GeneralizedCoordinateCount()};
  if (!ReadRecordedFile(DataFileName, data_fields, sink_, data)) return false;
  if (!data.read) {
    sink_.AddLine(ReadError(DataFileName, ENOENT));
    return false;
  }
  TRecordedFile watches;
  const TContactWatches* model_watches = world_.ContactWatches();
  const bool watched = model_watches != nullptr && model_watches->Count() > 0;
  if (watched) {
    const std::size_t count = std::min(model_watches->Count(), model_watches->Data.Count());
    if (!ReadRecordedFile(WatchesFileName, 1 + ValuesPerWatch(model_watches) * count, sink_, watches)) {
      return false;
    }
    // A watches.txt that is gone holds no record: the data records it misses are named all the same.
    watches.name = WatchesFileName;
    MatchRecords(data, watches, sink_);
  }
  // A continued run appends in each file's own style: a file written with LF alone must not end mixed.
  data_line_end_ = LineEndOf(data.text);
  watches_line_end_ = LineEndOf(watches.text);
  // The continued run appends to the files: what was dropped must not stay in front of its lines.
  for (const TRecordedFile* file : {&data, &watches}) {
    if (!file->read) continue;
    const bool written = file->replace
                             ? ReplaceTextLines(file->name, TextLines(file->text), LineEndOf(file->text))
                             : file->text.size() == file->size || TruncateFile(file->name, file->text.size());
    if (!written) {
      sink_.AddLine("[Error] Could not write history file " + file->name + ".");
      return false;
    }
  }
  return true;
}

bool THistory::ReadRecordLines(const std::string& directory, std::vector<std::string>& data,
                               std::vector<std::string>& watches, ILogSink& log) {
  data.clear();
  watches.clear();
  TRecordedFile data_file;
  TRecordedFile watches_file;
  if (!ReadRecordedFile(directory + kDataFile, 1, log, data_file) ||
      !ReadRecordedFile(directory + kWatchesFile, 1, log, watches_file)) {
    return false;
  }
  if (watches_file.Records() > 0) MatchRecords(data_file, watches_file, log);
  for (std::size_t r = 0; r < data_file.Records(); ++r) data.push_back(data_file.Line(r));
  if (watches_file.Records() == 0) return true;
  // Side by side with the data records: a time that watches.txt misses has an empty line.
  std::size_t w = 0;
  for (std::size_t r = 0; r < data_file.Records(); ++r) {
    const bool held = w < watches_file.Records() && watches_file.times[w] == data_file.times[r];
    watches.push_back(held ? watches_file.Line(w++) : std::string());
  }
  return true;
}

bool THistory::ReadData() {
  Points.Clear();
  TTextReader reader;
  const TReadResult read = ReadHistoryFile(DataFileName, reader, sink_);
  if (read == TReadResult::Missing) sink_.AddLine(ReadError(DataFileName, ENOENT));
  if (read != TReadResult::Read) return false;
  const std::uint32_t n = world_.GeneralizedCoordinateCount();
  auto take = [&](const std::vector<long double>& values) {
    auto state = std::make_unique<TGeneralizedCoordinatesHistory>(n);
    state->Time = values[0];
    state->MechanicalEnergy = values[1];
    TCoordinateList& c = state->Coordinates;
    for (std::uint32_t i = 0; i < n; ++i) {
      c.Q.Data()[i] = values[2 + 3 * i];
      c.QDot.Data()[i] = values[3 + 3 * i];
      c.QDDot.Data()[i] = values[4 + 3 * i];
    }
    Points.Add(std::move(state));
  };
  const bool ok = ReadRecords(reader, DataFileName, 2 + 3 * std::size_t{n}, take, sink_);
  world_.SetStoredStates(Points.Count());
  world_.SetCurrentState(0);
  return ok;
}

bool THistory::ReadWatches() {
  TContactWatches* watches = world_.ContactWatches();
  if (watches == nullptr) return true;
  TTextReader reader;
  const TReadResult found = ReadHistoryFile(WatchesFileName, reader, sink_);
  if (found != TReadResult::Read) return found == TReadResult::Missing;
  TWatchesData& data = watches->Data;
  const std::uint32_t count = std::min(watches->Count(), data.Count());
  const std::size_t per_watch = ValuesPerWatch(watches);
  bool read = false;
  auto take = [&](const std::vector<long double>& values) {
    // Later lines overwrite earlier ones: the watches end with the last record.
    watches->LastTime = values[0];
    for (std::uint32_t w = 0; w < count; ++w) {
      const std::size_t at = 1 + per_watch * w;
      data.NormalImpulse.Data()[w] = values[at];
      data.TangentialImpulse.Data()[w] = values[at + 1];
      data.Work.Data()[w] = values[at + 2];
      // The running mean goes on from where the record left it.
      if (per_watch == 4) data.AveragedRatio.Data()[w] = values[at + 3];
    }
    read = true;
  };
  if (!ReadRecords(reader, WatchesFileName, 1 + per_watch * count, take, sink_)) return false;
  if (read && count > 0) {
    // The run that wrote the last line cleared what is kept per record after writing it; so does the
    // continued run, or its first record would count the last interval twice.
    data.Cleared = false;
    watches->AfterRecord();
  }
  return true;
}

bool THistory::ReadLog() {
  std::string text;
  if (LogFileName.empty() || ReadHistoryText(LogFileName, text, sink_) != TReadResult::Read) return false;
  const std::vector<std::string> lines = TextLines(text);
  {
    std::lock_guard<std::mutex> lock(log_mutex_);
    log_ = lines;
    log_has_header_ = true;
    // Rewritten and appended to in its own style, as data.txt and watches.txt are.
    log_line_end_ = LineEndOf(text);
  }
  if (connected_log_ != nullptr) connected_log_->Clear();
  if (log_window_ != nullptr) {
    log_window_->ClearText();
    for (const std::string& line : lines) log_window_->AddLine(line);
  }
  return true;
}

// --- Recording -----------------------------------------------------------------------------------------

bool THistory::OpenFiles() {
  if (DataFileName.empty()) {
    sink_.AddLine("[Error] No history directory to record in.");
    return false;
  }
  {
    // A new run tries afresh: the space may have been freed meanwhile.
    std::lock_guard<std::mutex> lock(failure_mutex_);
    write_failure_.clear();
    write_failure_logged_ = false;
    write_failed_ = false;
  }
  // A log line that could not reach log.txt before is written now, or the run does not begin.
  int error = 0;
  bool log_written = true;
  {
    std::lock_guard<std::mutex> lock(log_mutex_);
    if (log_started_ && !log_file_current_ && !LogFileName.empty()) log_written = RewriteLogFile(error);
  }
  if (!log_written) {
    NoteWriteFailure(LogFileName, error, true);
    return false;
  }
  data_file_.SetLineEnd(data_line_end_);
  watches_file_.SetLineEnd(watches_line_end_);
  if (!data_file_.Open(DataFileName)) {
    NoteWriteFailure(DataFileName, data_file_.Error(), true);
    return false;
  }
  if (!watches_file_.Open(WatchesFileName)) {
    data_file_.Close();
    NoteWriteFailure(WatchesFileName, watches_file_.Error(), true);
    return false;
  }
  FilesOpen = true;
  return true;
}

bool THistory::CloseFiles() {
  const bool data_closed = data_file_.Close();
  const bool watches_closed = watches_file_.Close();
  FilesOpen = false;
  if (!data_closed) NoteWriteFailure(DataFileName, data_file_.Error(), true);
  if (!watches_closed) NoteWriteFailure(WatchesFileName, watches_file_.Error(), true);
  return data_closed && watches_closed;
}

std::string THistory::WriteFailureLine(const std::string& file_name, int error) {
  return FileErrorLine("write", file_name, error);
}

void THistory::NoteWriteFailure(const std::string& file_name, int error, bool can_log) {
  std::string line;
  {
    std::lock_guard<std::mutex> lock(failure_mutex_);
    if (write_failed_) return;
    write_failure_ = WriteFailureLine(file_name, error);
    write_failure_logged_ = can_log;
    line = write_failure_;
    write_failed_ = true;
  }
  if (can_log) sink_.AddLine(line);
}

std::string THistory::WriteFailure() const {
  std::lock_guard<std::mutex> lock(failure_mutex_);
  return write_failure_;
}

bool THistory::ReportWriteFailure() {
  std::string unlogged;
  {
    std::lock_guard<std::mutex> lock(failure_mutex_);
    if (!write_failed_) return false;
    if (!write_failure_logged_) unlogged = write_failure_;
    write_failure_logged_ = true;
  }
  if (!unlogged.empty()) sink_.AddLine(unlogged);
  return true;
}

std::string THistory::DataLine(const TGeneralizedCoordinatesHistory& state) {
  std::string line;
  AppendDataLine(state, line);
  return line;
}

void THistory::AppendDataLine(const TGeneralizedCoordinatesHistory& state, std::string& line) {
  const TCoordinateList& c = state.Coordinates;
  line.reserve(line.size() + 24 * (2 + 3 * static_cast<std::size_t>(c.Count())));
  AppendField(line, state.Time);
  AppendField(line, state.MechanicalEnergy);
  for (std::uint32_t i = 0; i < c.Count(); ++i) {
    AppendField(line, c.Q.Data()[i]);
    AppendField(line, c.QDot.Data()[i]);
    AppendField(line, c.QDDot.Data()[i]);
  }
}

void THistory::AppendWatchesLine(long double time, std::uint32_t k, std::string& line) {
  TContactWatches& watches = *world_.ContactWatches();
  TWatchesData& data = watches.Data;
  AppendField(line, time);
  const std::uint32_t count = std::min(watches.Count(), data.Count());
  for (std::uint32_t w = 0; w < count; ++w) {
    const long double n = data.NormalImpulse.Data()[w];
    const long double t = data.TangentialImpulse.Data()[w];
    const long double work = data.Work.Data()[w];
    long double& r = data.AveragedRatio.Data()[w];
    if (watches.WriteAveragedTDivN) {
      // The mean of T/N over all k records, a record without normal impulse counting as 0:
      // R_k = R_(k-1) - R_(k-1)/k + (T/N)/k.
      r -= r / k;
      if (n != 0) r += (t / n) / k;
    }
    // The short form stands for three zeros only: a watch with a y or work value but no x keeps them.
    if (n == 0 && t == 0 && work == 0) {
      line += "0 0 0 ";
    } else {
      AppendField(line, n);
      AppendField(line, t);
      AppendField(line, work);
    }
    if (watches.WriteAveragedTDivN) AppendField(line, r);
  }
}

bool THistory::AppendLine(TAppendFile& open_file, const std::string& file_name, const std::string& line) {
  // Outside a run the line is appended all the same: a recorded state must reach its file.
  TAppendFile once;
  once.SetLineEnd(&open_file == &data_file_ ? data_line_end_ : watches_line_end_);
  TAppendFile& file = open_file.IsOpen() ? open_file : once;
  if ((file.IsOpen() || (!file_name.empty() && file.Open(file_name))) && file.AppendLine(line) &&
      (&file != &once || once.Close())) {
    return true;
  }
  NoteWriteFailure(file_name, file.Error(), true);
  return false;
}

bool THistory::WriteStep(std::unique_ptr<TGeneralizedCoordinatesHistory> state) {
  // After a failure nothing more is written: a later record that the files took would leave a gap.
  if (!state || WriteFailed()) return false;
  const std::uint32_t k = world_.StoredStates() + 1;
  const TGeneralizedCoordinatesHistory& point = *state;
  Points.Add(std::move(state));
  TContactWatches* watches = world_.ContactWatches();
  const bool watched = watches != nullptr && watches->Count() > 0;
  std::size_t watches_bytes = 0;
  if (watched) {
    line_.clear();
    AppendWatchesLine(point.Time, k, line_);
    watches->AfterRecord();
    if (!AppendLine(watches_file_, WatchesFileName, line_)) {
      Points.DeleteLast();
      return false;
    }
    watches_bytes = line_.size() + LineEndSize(watches_line_end_);
  }
  line_.clear();
  AppendDataLine(point, line_);
  if (AppendLine(data_file_, DataFileName, line_)) return true;
  // The record is in neither file, so it is not kept in memory either: memory and files agree.
  Points.DeleteLast();
  // A watches line without its data line would put watches.txt one record ahead for good.
  if (watched) {
    TAppendFile once;
    TAppendFile& file = watches_file_.IsOpen() ? watches_file_ : once;
    if ((file.IsOpen() || file.Open(WatchesFileName)) && file.CutLast(watches_bytes)) return false;
    sink_.AddLine("[Error] Could not write history file " + WatchesFileName + ".");
  }
  return false;
}

// --- Log -----------------------------------------------------------------------------------------------

std::string THistory::DataHeader() const {
  std::string header = "time mechanicalEnergy ";
  for (const std::string& q : world_.GeneralizedCoordinateNames()) {
    for (const char* mark : {" ", "' ", "'' "}) header.append(q).append(mark);
  }
  return header;
}

std::string THistory::WatchesHeader() const {
  std::string header = "time ";
  const TContactWatches* watches = world_.ContactWatches();
  if (watches == nullptr) return header;
  for (const std::string& w : watches->Names) {
    const bool xy = XYWatch(w);
    for (const char* column : {xy ? "-impX " : "-impN ", xy ? "-impY " : "-impT ", "-work "}) {
      header.append(w).append(column);
    }
    if (watches->WriteAveragedTDivN) header.append(w).append(xy ? "-impY/-impX " : "-impT/-impN ");
  }
  return header;
}

bool THistory::WriteLogHeader() {
  const std::string data_header = DataHeader();
  const std::string watches_header = WatchesHeader();
  int error = 0;
  {
    std::lock_guard<std::mutex> lock(log_mutex_);
    std::vector<std::string> old;
    old.swap(log_);
    std::string comment;
    std::size_t keep_from = 0;
    if (log_has_header_) {
      if (old.size() > kCommentLine) comment = old[kCommentLine];
      keep_from = kFirstRunLine;
    }
    log_ = {data_header, comment, "", "", watches_header};
    for (std::size_t i = keep_from; i < old.size(); ++i) log_.push_back(old[i]);
    log_has_header_ = true;
    log_started_ = true;
    // From here on a killed run leaves its log, and its history is listed.
    if (LogFileName.empty() || RewriteLogFile(error)) return true;
  }
  // Logged without the lock: the line comes back through AddLogLine.
  sink_.AddLine(WriteFailureLine(LogFileName, error));
  return false;
}

bool THistory::RewriteLogFile(int& error) {
  log_file_current_ = ReplaceTextLines(LogFileName, log_, log_line_end_, &error);
  return log_file_current_;
}

bool THistory::AddLogLine(const std::string& text) {
  std::lock_guard<std::mutex> lock(log_mutex_);
  log_.push_back(text);
  if (log_file_current_) {
    TAppendFile file;
    file.SetLineEnd(log_line_end_);
    log_file_current_ = file.Open(LogFileName) && file.AppendLine(text) && file.Close();
    // Called while the log holds its lock: the run loop logs the failure.
    if (!log_file_current_) NoteWriteFailure(LogFileName, file.Error(), false);
  }
  return true;
}

void THistory::AddLine(const std::string& line) {
  AddLogLine(line);
}

bool THistory::SetLogLine(const std::string& text, std::int32_t index) {
  std::lock_guard<std::mutex> lock(log_mutex_);
  if (index < 0 || static_cast<std::size_t>(index) >= log_.size()) return false;
  log_[static_cast<std::size_t>(index)] = text;
  int error = 0;
  if (log_file_current_ && !RewriteLogFile(error)) NoteWriteFailure(LogFileName, error, false);
  return true;
}

std::vector<std::string> THistory::Log() const {
  std::lock_guard<std::mutex> lock(log_mutex_);
  return log_;
}

std::int32_t THistory::LogCount() const {
  std::lock_guard<std::mutex> lock(log_mutex_);
  return static_cast<std::int32_t>(log_.size());
}

bool THistory::SaveLog() {
  if (LogFileName.empty()) return true;
  int error = 0;
  {
    std::lock_guard<std::mutex> lock(log_mutex_);
    // A load that stopped before the history took its log writes nothing into the directory: its lines
    // are not that history's, and log.txt may be another run's.
    if (!log_started_ || RewriteLogFile(error)) return true;
  }
  sink_.AddLine(WriteFailureLine(LogFileName, error));
  return false;
}

// --- Listing ---------------------------------------------------------------------------------------------

bool THistory::ScanHistories() {
  if (files_window_ != nullptr) files_window_->ClearList();
  DataFiles.clear();
  WatchesFiles.clear();
  LogFiles.clear();
  ShortNames.clear();
  const std::string base = IncludeTrailingSeparator(world_.HistoryBaseDirectory());
  for (const std::string& name : HistoryNameCandidates(base)) {
    const std::string directory = base + name + "/";
    if (!DirectoryExists(directory) || !FileExists(directory + kDataFile) ||
        !FileExists(directory + kLogFile)) {
      continue;
    }
    DataFiles.push_back(directory + kDataFile);
    WatchesFiles.push_back(directory + kWatchesFile);
    LogFiles.push_back(directory + kLogFile);
    ShortNames.push_back(name);
    THistoryRow row;
    row.ShortName = name;
    if (ReadSummary(LogFiles.back(), DataFiles.back(), row.Comment, row.Start, row.End, row.Size)) {
      HistoriesFound = true;
      row.ImageIndex = name == ShortName ? kCurrentHistoryImage : kOtherHistoryImage;
      if (files_window_ != nullptr) files_window_->AddRow(row);
    }
  }
  return true;
}

bool THistory::ReadSummary(const std::string& log_path, const std::string& data_path, std::string& comment,
                           std::string& start, std::string& end, std::string& size) const {
  std::vector<std::string> lines;
  if (!ReadTextLines(log_path, lines)) lines.clear();
  auto line = [&lines](std::size_t i) { return i < lines.size() ? lines[i] : std::string(); };
  comment = line(1);
  start = line(2);
  end = line(3);
  if (!FileExists(data_path)) return false;
  const std::int64_t bytes = FileSize(data_path);
  // The file of a running simulation is still being written: its size is not yet the history's.
  if (bytes < 0 || (FilesOpen && !DataFileName.empty() && SamePath(data_path, DataFileName))) {
    size = "open";
    return true;
  }
  // Fixed point with two decimals, written without the C locale's separator and given the process one.
  size =
      ReplaceAll(FloatToTextChosen(bytes / kBytesPerMegabyte, 0, 2), ".", std::string(1, DecimalSeparator()));
  return true;
}

bool THistory::SumWatchHistory(const TIntList& indexes, TFloatList& sum_n, TFloatList& sum_t,
                               TFloatList& sum_w, long double& span) const {
  const TContactWatches* watches = world_.ContactWatches();
  const std::uint32_t count = watches != nullptr ? watches->Count() : 0;
  const std::uint32_t wanted = indexes.Count();
  TTextReader reader;
  const TReadResult read = ReadHistoryFile(WatchesFileName, reader, sink_);
  if (read != TReadResult::Read) return read == TReadResult::Missing;
  if (sum_n.Count() < wanted || sum_t.Count() < wanted || sum_w.Count() < wanted) return false;
  const std::size_t per_watch = ValuesPerWatch(watches);
  bool started = false;
  long double first_time = 0;
  long double last_time = 0;
  auto take = [&](const std::vector<long double>& values) {
    last_time = values[0];
    if (!started) {
      first_time = last_time;
      started = true;
    }
    std::uint32_t j = 0;
    for (std::uint32_t k = 0; k < count && j < wanted; ++k) {
      if (static_cast<std::int64_t>(indexes.Data()[j]) != k) continue;
      const std::size_t at = 1 + per_watch * k;
      sum_n.Data()[j] += values[at];
      sum_t.Data()[j] += values[at + 1];
      sum_w.Data()[j] += values[at + 2];
      ++j;
    }
  };
  if (!ReadRecords(reader, WatchesFileName, 1 + per_watch * count, take, sink_)) return false;
  if (started) span = last_time - first_time;
  return true;
}

bool THistory::Resample(const std::string& FileName, std::int32_t step) const {
  if (step < 1) {
    sink_.AddLine("[Error] Resampling needs a step of at least 1.");
    return false;
  }
  const std::uint32_t count = std::min(world_.StoredStates(), Points.Count());
  TTextWriter writer;
  if (!writer.Open(FileName, TTextWriter::Mode::Create)) {
    sink_.AddLine("[Error] Could not write file " + FileName + ".");
    return false;
  }
  std::uint32_t last_written = 0;
  bool written = false;
  std::string line;
  auto write = [&](std::uint32_t i) {
    line.clear();
    AppendDataLine(Points.Items(i), line);
    writer.WriteLine(line);
  };
  for (std::uint64_t i = 0; i < count; i += static_cast<std::uint64_t>(step)) {
    write(static_cast<std::uint32_t>(i));
    last_written = static_cast<std::uint32_t>(i);
    written = true;
  }
  // The run ends with its last state, whatever the step.
  if (written && last_written != count - 1) write(count - 1);
  if (!writer.Close()) {
    sink_.AddLine("[Error] Could not write file " + FileName + ".");
    return false;
  }
  return true;
}

// --- Deleting --------------------------------------------------------------------------------------------

bool THistory::DeleteHistory(const std::string& short_name) {
  if (!IsHistoryName(short_name)) {
    sink_.AddLine("[Error] History files do not exist.");
    return false;
  }
  const std::string directory =
      IncludeTrailingSeparator(world_.KeptHistoryBaseDirectory()) + short_name + "/";
  bool current = SamePath(directory, Directory);
  for (std::size_t i = 0; i < ShortNames.size() && !current; ++i) {
    if (ShortNames[i] == short_name && (DataFiles[i] == DataFileName || LogFiles[i] == LogFileName)) {
      current = true;
    }
  }
  if (current) {
    sink_.AddLine("[Alert] Cannot delete current history file.");
    return false;
  }
  if (!DirectoryExists(directory)) {
    sink_.AddLine("[Error] History files do not exist.");
    return false;
  }
  // Held while it goes: no run can begin to record into it meanwhile.
  TDirectoryLock lock;
  if (lock.TryLock(directory) == TDirectoryLock::TResult::Held) {
    sink_.AddLine("[Alert] Cannot delete history " + short_name + ": another run records into it.");
    return false;
  }
  return DeleteHistoryDirectory(directory, sink_);
}

bool THistory::DeleteHistoryDirectory(const std::string& directory, ILogSink& log) {
  return DeleteDirectory(directory, false, log);
}

bool THistory::DeleteDirectory(const std::string& directory, bool only_if_empty, ILogSink& log) {
  const std::string dir = IncludeTrailingSeparator(directory);
  // Every file in it goes: only a numbered history directory may be handed here.
  if (directory.empty() || !IsHistoryName(LastFolderName(dir))) {
    log.AddLine("[Error] Could not delete directory" + dir + ".");
    return false;
  }
  // A data file that holds any byte is a recorded run.
  if (only_if_empty && FileSize(dir + kDataFile) > 0) return true;
  for (const std::string& name : ListDirectory(dir, false)) {
    // Hidden files stay, and so does the directory then.
    if (!name.empty() && name[0] != '.') DeleteFile(dir + name);
  }
  if (!RemoveDir(dir)) {
    log.AddLine("[Error] Could not delete directory" + dir + ".");
    return false;
  }
  return true;
}

}  // namespace zentrova
