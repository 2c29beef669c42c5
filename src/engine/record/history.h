// The record of a run: a numbered history directory ("000" to "999") beside the model, holding
//   data.txt     one line per recorded state: time, mechanical energy, then q, q', q'' of every
//                generalized coordinate;
//   watches.txt  one line per recorded state of a model with contact watches: the time, then per watch
//                its normal (or x) impulse, tangential (or y) impulse and work, and its averaged ratio
//                T/N when writeAveragedTDivN is on; a watch whose three values are all 0 is written
//                "0 0 0 " (then its ratio);
//   log.txt      line 0 the data header, 1 the analysis comment, 2 and 3 the times of the first and last
//                recorded state, 4 the watches header, then the log of the runs.
// Every number of data.txt, watches.txt and a resampled file is 23 characters in the fixed scientific
// form, always with "." (FloatToSci23), followed by one blank; lines end with CR LF. Reading accepts any
// real written with ".", "Nan", "+Inf" and "-Inf" included.
//
// Every recorded state also stays in memory (Points) for replay, going back and resampling. Input and
// output errors are logged as one line and reported as false; they never raise.
//
// A run may be killed at any moment and its history must still load and continue. So a record goes to
// each file as one whole line in one write, watches.txt first: a kill between the two writes leaves
// watches.txt one record ahead, never data.txt. log.txt is written as soon as a load has given it its
// header and then grows with every log line. Reading a history back drops a last line without its line
// end, and, when the model has watches, the records at the end of either file that the other does not
// hold, each with an "[Alert]" naming the file.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine/record/history_point.h"
#include "engine/record/history_world.h"
#include "engine/record/log.h"
#include "platform/line_file.h"

namespace zentrova {

class TContactWatches;
class TFloatList;
class TIntList;

// One row of the history window's list.
struct THistoryRow {
  std::string ShortName;
  std::string Comment;
  std::string Start;
  std::string End;
  std::string Size;  // MB with two decimals, or "open"
  std::int32_t ImageIndex = 0;
};

// Image of the row of the history being written, and of every other row.
inline constexpr std::int32_t kCurrentHistoryImage = 23;
inline constexpr std::int32_t kOtherHistoryImage = 22;

// The history window as the history fills it.
class IHistoryFilesWindow {
 public:
  virtual ~IHistoryFilesWindow() = default;
  virtual void ClearList() = 0;
  virtual void AddRow(const THistoryRow& row) = 0;
};

// The log window as the history needs it: a history that is read back replaces the window's text with
// its own log (AddLine shows one line).
class ILogWindow : public ILogSink {
 public:
  virtual void ClearText() = 0;
};

class THistory : public ILogSink {
 public:
  // The history logs its errors to `log`, which outlives it.
  explicit THistory(IHistoryWorld& world, ILogSink& log = ProgramLog());
  THistory(const THistory&) = delete;
  THistory& operator=(const THistory&) = delete;
  // Saves the log.
  ~THistory() override;

  // Makes this history the log's history sink, so that every line added to `log` is appended to the
  // history log; a history read back replaces the lines of `log` with its own. The owner of the log
  // disconnects before it frees the log; a connected log is detached on destruction.
  void ConnectLog(TLog& log);
  void DisconnectLog();
  // The windows the history fills; nullptr for none (the windows do not belong to the history).
  void SetWindows(IHistoryFilesWindow* files, ILogWindow* log);

  // ScanHistories, then the directory: a new one when `short_name` is empty (its name is handed back),
  // else the existing one it names. False when that failed: the load must stop.
  bool SelectDirectory(std::string& short_name);
  // The first free number "000".."999" under the base directory: creates the directory and empty
  // data.txt and watches.txt. False, nothing chosen, when all thousand are taken ("[Error] Maximum
  // number of history files reached (999).") or the directory or its files cannot be created.
  bool CreateNew();
  // The directory named by ShortName. False with "[Error] The requested history file (short name=...)
  // could not be found." when it does not exist or ShortName is not a three-digit name.
  bool OpenExisting();

  // Reads back what the directory holds (Load), restores its first recorded state into the world so that
  // a continued history starts there, and rebuilds the log header. `read_log` when the load continues a
  // history the caller named.
  bool Restart(bool read_log);
  // ReadLog first (it empties the connected log, which must keep what reading the records reports), then
  // MendRecords, ReadData and ReadWatches.
  bool Load(bool read_log);
  // Cuts data.txt and watches.txt to the records a continued run can append to: an incomplete last line
  // goes, and so do the records at the end of the longer file that the other does not hold when the
  // model has watches; each with its "[Alert]". False after an error line when a file cannot be read or
  // cut.
  bool MendRecords();
  bool ReadData();
  bool ReadWatches();
  // The lines of log.txt become the history log and the log window's text; the connected log is emptied.
  // False when there is no log.txt.
  bool ReadLog();

  // The lines of a history directory's data.txt and watches.txt that a new history can start from,
  // the files left as they are (another run may still be writing them): an incomplete last line is left
  // out, and so are the records at the end of the longer file that the other does not hold when
  // watches.txt holds any; each with its "[Alert]". A file that is missing or unreadable gives no lines.
  static void ReadRecordLines(const std::string& directory, std::vector<std::string>& data,
                              std::vector<std::string>& watches, ILogSink& log);

  // data.txt and watches.txt open for appending during a run.
  bool OpenFiles();
  bool CloseFiles();
  // Takes the state into Points and appends its line to watches.txt when there are watches (whose
  // per-record values are then cleared), then its line to data.txt. Files that are not open are opened
  // for the line. False, the state still kept, when a line could not be written; neither file then holds
  // the record. The caller then sets the world's stored-state count to Points.Count() and its current
  // state to the last.
  bool WriteStep(std::unique_ptr<TGeneralizedCoordinatesHistory> state);

  // Lines 0 to 4 of the log afresh, and log.txt written with them. A log read back from log.txt keeps
  // its comment (line 1) and its lines from 5 on; lines 2 and 3 are emptied for the driver. A log that
  // has no header yet (the lines of this load) follows the new header whole, under an empty comment.
  // False after an error line when log.txt cannot be written.
  bool WriteLogHeader();
  // Appends the line to the log, and to log.txt once WriteLogHeader wrote it. A line that cannot reach
  // the file leaves it to SaveLog to write the whole log (a log sink cannot report through the log).
  bool AddLogLine(const std::string& text);
  // The log's history sink: AddLogLine.
  void AddLine(const std::string& line) override;
  // False, nothing changed, for an index at or above the line count. log.txt follows once written.
  bool SetLogLine(const std::string& text, std::int32_t index);
  // Writes the log to log.txt (replacing it whole) when a directory was chosen.
  bool SaveLog();
  std::vector<std::string> Log() const;
  std::int32_t LogCount() const;

  // Lists every numbered directory under the base directory that holds data.txt and log.txt, and fills
  // the history window with them.
  bool ScanHistories();
  // Comment, start and end time (log lines 1 to 3) and the size of the data file in MB with two
  // decimals, or "open" while it is being written. False when the data file does not exist.
  bool ReadSummary(const std::string& log_path, const std::string& data_path, std::string& comment,
                   std::string& start, std::string& end, std::string& size) const;
  // Sums the three values of the watches with the given ascending indexes over every line of
  // watches.txt into the lists (one entry per index, sized and zeroed by the caller); span := the last
  // time minus the first. Without watches.txt nothing changes.
  bool SumWatchHistory(const TIntList& indexes, TFloatList& sum_n, TFloatList& sum_t, TFloatList& sum_w,
                       long double& span) const;
  // Writes every step-th recorded state, and the last one, in the data.txt format to a new file.
  bool Resample(const std::string& FileName, std::int32_t step) const;

  // Deletes a history by its three-digit name, never the one being written ("[Alert] Cannot delete
  // current history file.").
  bool DeleteHistory(const std::string& short_name);
  static bool DeleteHistoryDirectory(const std::string& directory, ILogSink& log = ProgramLog());
  // Deletes the files of a history directory and the directory. With `only_if_empty` a data.txt that
  // holds anything keeps the directory (true). Refuses anything that is not a numbered history
  // directory. "[Error] Could not delete directory<dir>." when the directory stays.
  static bool DeleteDirectory(const std::string& directory, bool only_if_empty, ILogSink& log = ProgramLog());

  // The data.txt line of a state, CR LF excluded; AppendDataLine appends it to `line`.
  static std::string DataLine(const TGeneralizedCoordinatesHistory& state);
  static void AppendDataLine(const TGeneralizedCoordinatesHistory& state, std::string& line);

  bool HistoriesFound = false;
  std::vector<std::string> DataFiles;
  std::vector<std::string> WatchesFiles;
  std::vector<std::string> LogFiles;
  std::vector<std::string> ShortNames;
  // Read by the job timer on the main thread while the simulation thread opens and closes the files.
  std::atomic<bool> FilesOpen{false};
  std::string Directory;
  std::string DataFileName;
  std::string WatchesFileName;
  std::string LogFileName;
  std::string ShortName;
  TGeneralizedCoordinatesHistoryList Points;

 private:
  // Appends the line of the next recorded state in watches.txt, CR LF excluded; updates the averaged
  // ratios.
  void AppendWatchesLine(long double time, std::uint32_t k, std::string& line);
  bool AppendLine(TAppendFile& open_file, const std::string& file_name, const std::string& line);
  // Writes log_ to log.txt whole; log_mutex_ held. Whether log.txt now follows every line.
  bool RewriteLogFile();
  std::string DataHeader() const;
  std::string WatchesHeader() const;
  void SetFileNames(const std::string& directory);

  IHistoryWorld& world_;
  ILogSink& sink_;  // where the history logs its errors
  IHistoryFilesWindow* files_window_ = nullptr;
  ILogWindow* log_window_ = nullptr;
  TLog* connected_log_ = nullptr;
  TAppendFile data_file_;
  TAppendFile watches_file_;
  // The line WriteStep builds, kept so that recording allocates nothing once it has grown.
  std::string line_;

  // Lines arrive from the simulation thread (through the connected log) and from the main thread.
  mutable std::mutex log_mutex_;
  std::vector<std::string> log_;
  bool log_has_header_ = false;
  // log.txt holds log_: every new line is appended to it, every change rewrites it.
  bool log_file_current_ = false;
};

}  // namespace zentrova
