#include "engine/record/history.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <system_error>

#include "engine/record/contact_watches.h"
#include "engine/record/three_digit_names.h"
#include "numerics/float_list.h"
#include "numerics/int_list.h"
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

std::string ReadError(const std::string& file_name) {
  return "[Error] Could not read history file " + file_name + ".";
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

// A recorded file as far as its lines are whole: its text up to the last line end, and the offset past
// the line end of each of its records (its non-blank lines).
struct TRecordedFile {
  std::string name;
  bool read = false;  // the file exists and could be read
  std::size_t size = 0;
  std::string text;
  std::vector<std::size_t> ends;

  // The bytes of the first `records` records (with the blank lines among them).
  std::size_t Through(std::size_t records) const { return records == 0 ? 0 : ends[records - 1]; }
};

TRecordedFile ReadRecordedFile(const std::string& file_name, ILogSink& log) {
  TRecordedFile file;
  file.name = file_name;
  std::ifstream in(file_name, std::ios::binary);
  if (!in) return file;
  file.text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (in.bad()) return file;
  file.read = true;
  file.size = file.text.size();
  const std::size_t whole = file.text.rfind('\n') + 1;  // 0 without any line end
  if (whole < file.size) {
    log.AddLine("[Alert] Dropped the incomplete last line of history file " + file_name + ".");
    file.text.resize(whole);
  }
  bool record = false;
  for (std::size_t i = 0; i < file.text.size(); ++i) {
    const char c = file.text[i];
    if (c == '\n') {
      if (record) file.ends.push_back(i + 1);
      record = false;
    } else if (static_cast<unsigned char>(c) > ' ') {
      record = true;  // what Trim leaves: the reading skips every other line
    }
  }
  return file;
}

// Cuts the longer file to the records the other holds: a run killed between its two writes of a record
// left one of them ahead.
void MatchRecords(TRecordedFile& data, TRecordedFile& watches, ILogSink& log) {
  const std::size_t both = std::min(data.ends.size(), watches.ends.size());
  for (auto [longer, other] : {std::pair{&data, &watches}, std::pair{&watches, &data}}) {
    const std::size_t extra = longer->ends.size() - both;
    if (extra == 0) continue;
    log.AddLine("[Alert] Dropped " + IntToText(static_cast<std::int64_t>(extra)) +
                (extra == 1 ? " record" : " records") + " at the end of history file " + longer->name +
                " that " + other->name + " does not hold.");
    longer->text.resize(longer->Through(both));
    longer->ends.resize(both);
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
  CloseFiles();
  SaveLog();
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
}

bool THistory::SelectDirectory(std::string& short_name) {
  // The name first: the list marks the row of a history that is loaded again as the current one.
  ShortName = short_name;
  ScanHistories();
  if (ShortName.empty()) {
    const bool created = CreateNew();
    short_name = ShortName;
    return created;
  }
  return OpenExisting();
}

bool THistory::CreateNew() {
  const std::string base = IncludeTrailingSeparator(world_.HistoryBaseDirectory());
  // A file of that name takes the number as much as a directory does; so does a name that cannot be
  // looked at. A broken link does not, and then fails to be created below.
  std::vector<bool> taken(kMaxHistoryNumber + 1, false);
  for (const std::string& name : HistoryNameCandidates(base)) {
    std::error_code ec;
    if (std::filesystem::exists(std::filesystem::path(base + name), ec) || ec) {
      taken[static_cast<std::size_t>(Str3ToInt(name))] = true;
    }
  }
  for (std::int32_t i = 0; i <= kMaxHistoryNumber; ++i) {
    if (taken[static_cast<std::size_t>(i)]) continue;
    const std::string name = IntToStr3(i);
    const std::string directory = base + name + "/";
    if (!CreateDir(directory)) {
      sink_.AddLine("[Error] Could not create history directory " + directory + ".");
      return false;
    }
    ShortName = name;
    world_.MarkNewHistoryDirectory();
    SetFileNames(directory);
    TTextWriter data;
    TTextWriter watches;
    if (!data.Open(DataFileName, TTextWriter::Mode::Create) || !data.Close() ||
        !watches.Open(WatchesFileName, TTextWriter::Mode::Create) || !watches.Close()) {
      sink_.AddLine("[Error] Could not create the history files in " + directory + ".");
      return false;
    }
    return true;
  }
  sink_.AddLine("[Error] Maximum number of history files reached (" + IntToText(kMaxHistoryNumber) + ").");
  return false;
}

bool THistory::OpenExisting() {
  const std::string directory = IncludeTrailingSeparator(world_.HistoryBaseDirectory()) + ShortName + "/";
  // Only a numbered directory is a history: any other name could lead anywhere.
  if (!IsHistoryName(ShortName) || !DirectoryExists(directory)) {
    sink_.AddLine("[Error] The requested history file (short name=" + ShortName + ") could not be found.");
    return false;
  }
  SetFileNames(directory);
  return true;
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
  if (read_log) ReadLog();
  if (!MendRecords()) return false;
  bool ok = ReadData();
  ok = ReadWatches() && ok;
  return ok;
}

bool THistory::MendRecords() {
  TRecordedFile data = ReadRecordedFile(DataFileName, sink_);
  if (!data.read) {
    sink_.AddLine(ReadError(DataFileName));
    return false;
  }
  TRecordedFile watches;
  const TContactWatches* model_watches = world_.ContactWatches();
  if (model_watches != nullptr && model_watches->Count() > 0 && FileExists(WatchesFileName)) {
    watches = ReadRecordedFile(WatchesFileName, sink_);
    if (!watches.read) {
      sink_.AddLine(ReadError(WatchesFileName));
      return false;
    }
    MatchRecords(data, watches, sink_);
  }
  // The continued run appends to the files: what was dropped must not stay in front of its lines.
  for (const TRecordedFile* file : {&data, &watches}) {
    if (file->text.size() < file->size && !TruncateFile(file->name, file->text.size())) {
      sink_.AddLine("[Error] Could not write history file " + file->name + ".");
      return false;
    }
  }
  return true;
}

void THistory::ReadRecordLines(const std::string& directory, std::vector<std::string>& data,
                               std::vector<std::string>& watches, ILogSink& log) {
  TRecordedFile data_file = ReadRecordedFile(directory + kDataFile, log);
  TRecordedFile watches_file = ReadRecordedFile(directory + kWatchesFile, log);
  if (data_file.read && watches_file.read && !watches_file.ends.empty())
    MatchRecords(data_file, watches_file, log);
  data = TextLines(data_file.text);
  watches = TextLines(watches_file.text);
}

bool THistory::ReadData() {
  Points.Clear();
  TTextReader reader;
  if (DataFileName.empty() || !reader.Open(DataFileName)) {
    sink_.AddLine(ReadError(DataFileName));
    return false;
  }
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
  if (watches == nullptr || WatchesFileName.empty() || !FileExists(WatchesFileName)) return true;
  TTextReader reader;
  if (!reader.Open(WatchesFileName)) {
    sink_.AddLine(ReadError(WatchesFileName));
    return false;
  }
  TWatchesData& data = watches->Data;
  const std::uint32_t count = std::min(watches->Count(), data.Count());
  const std::size_t per_watch = watches->WriteAveragedTDivN ? 4 : 3;
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
  std::vector<std::string> lines;
  if (LogFileName.empty() || !FileExists(LogFileName) || !ReadTextLines(LogFileName, lines)) return false;
  {
    std::lock_guard<std::mutex> lock(log_mutex_);
    log_ = lines;
    log_has_header_ = true;
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
  if (!data_file_.Open(DataFileName) || !watches_file_.Open(WatchesFileName)) {
    data_file_.Close();
    watches_file_.Close();
    sink_.AddLine("[Error] Could not open the history files in " + Directory + ".");
    return false;
  }
  FilesOpen = true;
  return true;
}

bool THistory::CloseFiles() {
  bool ok = data_file_.Close();
  ok = watches_file_.Close() && ok;
  FilesOpen = false;
  if (!ok) {
    sink_.AddLine("[Error] Could not write the history files in " + Directory + ".");
    return false;
  }
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
  TAppendFile& file = open_file.IsOpen() ? open_file : once;
  if ((file.IsOpen() || (!file_name.empty() && file.Open(file_name))) && file.AppendLine(line)) return true;
  sink_.AddLine("[Error] Could not write history file " + file_name + ".");
  return false;
}

bool THistory::WriteStep(std::unique_ptr<TGeneralizedCoordinatesHistory> state) {
  if (!state) return false;
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
    if (!AppendLine(watches_file_, WatchesFileName, line_)) return false;
    watches_bytes = line_.size() + 2;  // with CR LF
  }
  line_.clear();
  AppendDataLine(point, line_);
  if (AppendLine(data_file_, DataFileName, line_)) return true;
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
    // From here on a killed run leaves its log, and its history is listed.
    if (LogFileName.empty() || RewriteLogFile()) return true;
  }
  // Logged without the lock: the line comes back through AddLogLine.
  sink_.AddLine("[Error] Could not write history file " + LogFileName + ".");
  return false;
}

bool THistory::RewriteLogFile() {
  log_file_current_ = ReplaceTextLines(LogFileName, log_);
  return log_file_current_;
}

bool THistory::AddLogLine(const std::string& text) {
  std::lock_guard<std::mutex> lock(log_mutex_);
  log_.push_back(text);
  if (log_file_current_) {
    TAppendFile file;
    log_file_current_ = file.Open(LogFileName) && file.AppendLine(text);
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
  if (log_file_current_) RewriteLogFile();
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
  {
    std::lock_guard<std::mutex> lock(log_mutex_);
    if (RewriteLogFile()) return true;
  }
  sink_.AddLine("[Error] Could not write history file " + LogFileName + ".");
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
  if (WatchesFileName.empty() || !FileExists(WatchesFileName)) return true;
  const TContactWatches* watches = world_.ContactWatches();
  const std::uint32_t count = watches != nullptr ? watches->Count() : 0;
  const std::uint32_t wanted = indexes.Count();
  if (sum_n.Count() < wanted || sum_t.Count() < wanted || sum_w.Count() < wanted) return false;
  TTextReader reader;
  if (!reader.Open(WatchesFileName)) {
    sink_.AddLine(ReadError(WatchesFileName));
    return false;
  }
  const std::size_t per_watch = watches != nullptr && watches->WriteAveragedTDivN ? 4 : 3;
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
