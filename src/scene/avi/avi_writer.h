// An AVI file with one video stream, written through FFmpeg (libavformat, libavcodec, libswscale): frames
// of 24-bit BGR pixels, top row first, are converted to the encoder's pixel format and encoded at a time
// base of 1/fps. Also the encoders that can write such a stream, for the encoder dialog.
//
// Failures raise Exception with the recorder's texts: "Cannot create AVI file. Disk full or file in
// use?", "Cannot create AVI stream.", "Cannot make compressed stream. No such compressor found",
// "Cannot make compressed stream. ", "AVIStreamSetFormat Error" and "Add Frame Error".
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/dialogs.h"

namespace zentrova {

struct TAVIEncoderSettings {
  // An FFmpeg encoder name ("msvideo1", "mpeg4", "rawvideo").
  std::string Encoder = "rawvideo";
  // The four characters of the stream's codec tag, first in the lowest byte; empty for the muxer's own.
  std::string CodecTag;
  // A key frame every so many frames; 0 for the encoder's default.
  int KeyFrameInterval = 0;
  // kbit/s; 0 for the encoder's default.
  int DataRateKbps = 0;
};

class TAVIWriter {
 public:
  TAVIWriter();
  // Closes an open file, keeping what was written.
  ~TAVIWriter();
  TAVIWriter(const TAVIWriter&) = delete;
  TAVIWriter& operator=(const TAVIWriter&) = delete;

  // Creates the file and writes its header. A size or rate of 0 raises "Cannot create AVI stream."
  // before any file exists; a failure after the file was created leaves it for the caller to delete.
  void Open(const std::string& file_name, int width, int height, int fps,
            const TAVIEncoderSettings& settings);
  // One frame: height rows of width BGR triples, top row first, row_bytes apart.
  void WriteFrame(const std::uint8_t* pixels, int row_bytes);
  // Flushes the encoder, writes the index and closes the file. Nothing when not open.
  void Close();
  bool IsOpen() const;
  int FramesWritten() const;

 private:
  struct TState;
  std::unique_ptr<TState> state_;
};

// The video encoders that avformat_query_codec accepts for AVI and that open at width × height, without
// hardware wrappers, by name. The list is made once per size.
std::vector<TVideoEncoderChoice> AVIVideoEncoders(int width, int height);

}  // namespace zentrova
