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
// output errors are logged as one line naming the file and the system's reason, and reported as false;
// they never raise. A file that was written with LF line ends alone (log.txt too) is continued with LF,
// so that it never ends up mixed.
//
// A run must not go on recording what cannot be kept: the first failed create, write or close of
// data.txt, watches.txt or log.txt after the files were opened for a run becomes the history's write
// failure, one line naming the file and the system's reason ("[Error] Could not write history file
// <file>: No space left on device."). The run loop ends the run on it; no record is written after it, so
// the files hold whole records up to the failure, and a continuation once the cause is gone has no gap.
//
// A run may be killed at any moment and its history must still load and continue. So a record goes to
// each file as one whole line in one write, watches.txt first: a kill between the two writes leaves
// watches.txt one record ahead, never data.txt. log.txt is written as soon as a load has given it its
// header and then grows with every log line. Reading a history back drops a last line without its line
// end and refuses a record whose time is not after the one before it; when the model has watches, the
// records of the two files are matched by their times: every data record is kept, a watches record
// without its data record goes, each with an "[Alert]" naming the file and the times.
//
// One run at a time records into a history: the history holds its directory (an advisory lock on the
// directory, which the kernel frees when the process ends, however it ends) from the moment it chose it
// until it is closed, and a run that would record into a directory another run holds is refused.
//
// A new history directory holds model-copy-incomplete.txt from the moment it is made until the model
// has been copied into it whole: a history whose copy is incomplete cannot be continued.
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
#include "platform/directory_lock.h"
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

// What a new history directory holds until the model has been copied into it whole.
inline constexpr char kModelCopyIncompleteFile[] = "model-copy-incomplete.txt";

// What becomes of the history directory when the history is closed.
enum class THistoryRemoval {
  Keep,
  IfEmpty,  // removed when its data.txt holds nothing
  Always    // removed whatever it holds (a load that failed recorded nothing in it)
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
  // Closes the history, keeping its directory.
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
  // The first free number "000".."999" under the base directory: creates and holds the directory, with
  // the incomplete-copy mark and empty data.txt and watches.txt. Another run making a directory at the
  // same moment gets another number. False when all thousand are taken ("[Error] Maximum number of
  // history files reached (999).", nothing chosen) or the directory or its files cannot be created (the
  // directory, when made, is chosen all the same, to be removed again): "[Error] Could not create
  // history directory <dir>: <reason>." or "[Error] Could not create history file <file>: <reason>.".
  bool CreateNew();
  // The directory named by ShortName, held. False with "[Error] The requested history file (short
  // name=...) could not be found." when it does not exist or ShortName is not a three-digit name; false
  // with RefusedLine, "[Error] Another run records into history directory <dir>.", when another run
  // holds it: nothing is written to it then.
  bool OpenExisting();
  // A new numbered directory beside the current one, as CreateNew makes it, for the next version of the
  // model; the current history stays as it is. `lock` holds the new directory; `directory` names it
  // (with its trailing separator), "" when none was made.
  bool CreateVersionDirectory(std::string& directory, TDirectoryLock& lock);
  // Whether the model's copy in a history directory is whole: it holds no incomplete-copy mark, and at
  // least one file besides the history's own (data.txt, watches.txt, log.txt).
  static bool ModelCopyComplete(const std::string& directory);
  // Removes the incomplete-copy mark once the copy is whole; false after an error line when it stays.
  static bool MarkModelCopied(const std::string& directory, ILogSink& log);
  bool ModelCopied();
  // Closes the data files, saves the log (unless the directory goes anyway), removes the directory as
  // asked and releases it for other runs. The history records nothing more.
  void Close(THistoryRemoval removal);

  // Reads back what the directory holds (Load), restores its first recorded state into the world so that
  // a continued history starts there, and rebuilds the log header. `read_log` when the load continues a
  // history the caller named.
  bool Restart(bool read_log);
  // ReadLog first (it empties the connected log, which must keep what reading the records reports), then
  // MendRecords, ReadData and ReadWatches. Before any of them, false with "[Error] History file <file> is
  // not a regular file." when a FIFO, a device or a directory stands in the place of data.txt,
  // watches.txt or log.txt (a link to a regular file is one); nothing is opened then.
  bool Load(bool read_log);
  // Mends data.txt and watches.txt for a continued run to append to: an incomplete last line goes; when
  // the model has watches, the records are matched by their times, a watches record whose time data.txt
  // does not hold goes, and the times of data records that watches.txt misses are named (the data
  // records stay); each with its "[Alert]". False after an error line when a file cannot be read or
  // written, or when a record does not hold the numbers of its file or its time is not after the time of
  // the record before it ("[Error] Check history file <file> (line <n>)..."): nothing is changed then.
  bool MendRecords();
  bool ReadData();
  bool ReadWatches();
  // The lines of log.txt become the history log and the log window's text; the connected log is emptied.
  // Its line ends are kept by every later write of log.txt. False when there is no log.txt, and after
  // the error line when it cannot be read.
  bool ReadLog();

  // The records of a history directory's data.txt and, when watches.txt holds any, the watches records
  // at their times side by side (an empty line for a time watches.txt misses), for a new history to
  // start from; the files are left as they are (another run may still be writing them). An incomplete
  // last line is left out, with its "[Alert]", and so are watches records without a data record. A file
  // that is missing gives no lines. False after the error line when a file cannot be read or is no
  // regular file, or a record's time cannot be read or is not after the one before it.
  static bool ReadRecordLines(const std::string& directory, std::vector<std::string>& data,
                              std::vector<std::string>& watches, ILogSink& log);

  // data.txt and watches.txt open for appending during a run, and log.txt brought up to the log when a
  // line could not reach it before. Forgets an earlier write failure: the run tries afresh. False, the
  // failure noted and logged, when a file cannot be opened or log.txt written.
  bool OpenFiles();
  // False, the failure noted and logged, when closing a file reports a failed write.
  bool CloseFiles();
  // Takes the state into Points and appends its line to watches.txt when there are watches (whose
  // per-record values are then cleared), then its line to data.txt. Files that are not open are opened
  // for the line. False when a line could not be written (the failure noted and logged) or a write failed
  // before: neither file then holds the record, nor does Points. The caller then sets the world's
  // stored-state count to Points.Count() and its current state to the last.
  bool WriteStep(std::unique_ptr<TGeneralizedCoordinatesHistory> state);

  // Whether a write of a history file failed since the files were last opened for a run (or since the
  // history was made): the run must end. One atomic read, asked after every pass of a run.
  bool WriteFailed() const { return write_failed_.load(std::memory_order_acquire); }
  // The error line of that first failure; "" for none.
  std::string WriteFailure() const;
  // WriteFailed, and the failure's line logged now when nothing logged it yet (a log.txt line failed
  // while the log held its lock). Called where the log's lock is not held.
  bool ReportWriteFailure();

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
  // Writes the log to log.txt (replacing it whole) once WriteLogHeader made it this history's log; a load
  // that stopped before that leaves log.txt as it was.
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
  // current history file.") nor one that another run records into.
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
  // The line of the last refusal to open a directory that another run holds, for the caller to show; ""
  // for none.
  std::string RefusedLine;

 private:
  // Appends the line of the next recorded state in watches.txt, CR LF excluded; updates the averaged
  // ratios.
  void AppendWatchesLine(long double time, std::uint32_t k, std::string& line);
  // Appends the line to the open file, or to the file opened for it. False after the failure was noted
  // and logged.
  bool AppendLine(TAppendFile& open_file, const std::string& file_name, const std::string& line);
  // Writes log_ to log.txt whole; log_mutex_ held. Whether log.txt now follows every line; `error`
  // receives the system's error number of a failure.
  bool RewriteLogFile(int& error);
  // Notes a failed write of `file_name` with the system's error number; the first since the files were
  // opened becomes the write failure, and is logged at once when `can_log` (neither the log's lock nor
  // log_mutex_ held). Later ones are dropped: the run ends on the first.
  void NoteWriteFailure(const std::string& file_name, int error, bool can_log);
  // "[Error] Could not write history file <file>: <reason>."
  static std::string WriteFailureLine(const std::string& file_name, int error);
  // Makes and holds the first free numbered directory under `base`, then StartDirectory. `name` is the
  // new directory's name once it is made.
  bool MakeNumberedDirectory(const std::string& base, std::string& name, TDirectoryLock& lock);
  // The incomplete-copy mark, then empty data.txt and watches.txt.
  bool StartDirectory(const std::string& directory);
  // Takes the directory's lock. A file system without such locks lets the run go on after an alert.
  TDirectoryLock::TResult Hold(const std::string& directory, TDirectoryLock& lock);
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
  // The line ends of the two files as read back: a continued run appends in the file's own style.
  TLineEnd data_line_end_ = TLineEnd::CrLf;
  TLineEnd watches_line_end_ = TLineEnd::CrLf;
  // log.txt's, read back with its lines: kept by every rewrite and every appended line.
  TLineEnd log_line_end_ = TLineEnd::CrLf;
  // The first failed write since the files were opened for a run.
  mutable std::mutex failure_mutex_;
  std::string write_failure_;
  bool write_failure_logged_ = false;
  std::atomic<bool> write_failed_{false};
  // Held from the choice of the directory until Close: one run at a time records into a history.
  TDirectoryLock lock_;
  // The line WriteStep builds, kept so that recording allocates nothing once it has grown.
  std::string line_;

  // Lines arrive from the simulation thread (through the connected log) and from the main thread.
  mutable std::mutex log_mutex_;
  std::vector<std::string> log_;
  bool log_has_header_ = false;
  // log.txt holds log_: every new line is appended to it, every change rewrites it.
  bool log_file_current_ = false;
  // WriteLogHeader made log_ this directory's log: it may be written to log.txt.
  bool log_started_ = false;
};

}  // namespace zentrova
