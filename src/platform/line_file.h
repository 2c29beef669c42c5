// Text files that a process killed at any moment leaves readable: records that grow by whole lines, and
// files replaced whole. Lines end with CR LF, as in text_file.h, unless a file already written with LF
// alone asks to be continued in its own style.
//
// A line goes to the kernel with its line end in one system call and no buffer in the process, so a
// kill leaves every line appended before it whole. Only a write that the kernel itself cuts short (a full
// disk, or a kill that arrives while a line crossing a page boundary is being copied) can leave part of a
// line at the end of the file; the readers of such files drop a last line without its line end.
// Nothing here waits for the disk (no fsync): a killed process loses nothing the kernel has.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace zentrova {

enum class TLineEnd { CrLf, Lf };

// The line end of the first line of the text; CR LF when it holds none (a new file).
TLineEnd LineEndOf(std::string_view text);
// Its bytes: 2 or 1.
inline std::size_t LineEndSize(TLineEnd line_end) {
  return line_end == TLineEnd::Lf ? 1 : 2;
}

class TAppendFile {
 public:
  TAppendFile() = default;
  TAppendFile(const TAppendFile&) = delete;
  TAppendFile& operator=(const TAppendFile&) = delete;
  ~TAppendFile();

  // Opens the file for appending, creating it when missing; false when it cannot be.
  bool Open(const std::string& file_name);
  bool IsOpen() const { return fd_ >= 0; }
  // The line end AppendLine writes; CR LF until set. Kept across Open and Close.
  void SetLineEnd(TLineEnd line_end) { line_end_ = line_end; }
  // Appends text + the line end in one write. False when the line could not be written whole; the part
  // of it that was written is then removed again, so that the next line does not continue a broken one.
  bool AppendLine(std::string_view text);
  // Removes the last `bytes` bytes: a line just appended whose partner in another file could not be
  // written.
  bool CutLast(std::size_t bytes);
  bool Close();
  // The system's error number of the last call that failed (errno: ENOSPC, EFBIG, EACCES...), 0 before
  // any failure.
  int Error() const { return error_; }

 private:
  int fd_ = -1;
  int error_ = 0;
  TLineEnd line_end_ = TLineEnd::CrLf;
};

// Replaces the file's content by the lines, each followed by CR LF, so that it holds either the old
// content or the new one whole at every moment: the lines go to file_name + ".new", which is then renamed
// over the file. False on any failure, the file unchanged; `error`, when given, receives the system's
// error number of the call that failed.
bool ReplaceTextLines(const std::string& file_name, const std::vector<std::string>& lines,
                      TLineEnd line_end = TLineEnd::CrLf, int* error = nullptr);

// Cuts the file to its first `size` bytes; false when it cannot be.
bool TruncateFile(const std::string& file_name, std::size_t size);

// What reading a file whole found.
enum class TReadResult { Read, Missing, NotRegular, Failed };
// Reads a regular file (or a link to one) whole into `text`. Anything else in its place (a FIFO, a
// device, a socket, a directory) is NotRegular and is not opened: a FIFO would wait for a writer for
// ever and a device may never end. `error` receives the system's error number of a failure (ENOENT for
// Missing).
TReadResult ReadRegularFile(const std::string& file_name, std::string& text, int* error = nullptr);
// Whether something that is not a regular file stands at the path, a link followed: false for a
// regular file and for nothing at all.
bool IsSpecialFile(const std::string& path);

// A file-size limit (ulimit -f) kills a process by SIGXFSZ at the write that crosses it, in the middle of
// a record. Ignored, the write fails with EFBIG instead and takes the path of every failed write.
void LetFileSizeLimitFailWrites();

}  // namespace zentrova
