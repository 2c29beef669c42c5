#include "scene/avi/avi_writer.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/log.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <string_view>
#include <utility>

#include "platform/exception.h"

namespace zentrova {

namespace {

constexpr const char* kCannotCreateFile = "Cannot create AVI file. Disk full or file in use?";
constexpr const char* kCannotCreateStream = "Cannot create AVI stream.";
constexpr const char* kCannotMakeCompressed = "Cannot make compressed stream. ";
constexpr const char* kNoSuchCompressor = "No such compressor found";
constexpr const char* kSetFormatError = "AVIStreamSetFormat Error";
constexpr const char* kAddFrameError = "Add Frame Error";

const AVOutputFormat* AVIFormat() {
  return av_guess_format("avi", nullptr, nullptr);
}

bool IsHardwareEncoder(const AVCodec* codec) {
  if ((codec->capabilities & AV_CODEC_CAP_HARDWARE) != 0 || avcodec_get_hw_config(codec, 0) != nullptr)
    return true;
  // The OpenMAX wrappers carry no hardware mark.
  const std::string_view name = codec->name;
  if (name.size() > 4 && name.substr(name.size() - 4) == "_omx") return true;
  if (codec->pix_fmts == nullptr) return false;
  // Wrappers of hardware encoders take frames in GPU memory only.
  for (const AVPixelFormat* p = codec->pix_fmts; *p != AV_PIX_FMT_NONE; ++p) {
    const AVPixFmtDescriptor* descriptor = av_pix_fmt_desc_get(*p);
    if (descriptor != nullptr && (descriptor->flags & AV_PIX_FMT_FLAG_HWACCEL) == 0) return false;
  }
  return true;
}

// BGR24 when the encoder takes it (no conversion), else its first format that libswscale can write.
AVPixelFormat EncoderPixelFormat(const AVCodec* codec) {
  if (codec->pix_fmts == nullptr) return AV_PIX_FMT_BGR24;
  for (const AVPixelFormat* p = codec->pix_fmts; *p != AV_PIX_FMT_NONE; ++p) {
    if (*p == AV_PIX_FMT_BGR24) return *p;
  }
  for (const AVPixelFormat* p = codec->pix_fmts; *p != AV_PIX_FMT_NONE; ++p) {
    const AVPixFmtDescriptor* descriptor = av_pix_fmt_desc_get(*p);
    if (descriptor != nullptr && (descriptor->flags & AV_PIX_FMT_FLAG_HWACCEL) == 0 &&
        sws_isSupportedOutput(*p))
      return *p;
  }
  return AV_PIX_FMT_NONE;
}

std::uint32_t FourCC(const std::string& tag) {
  if (tag.size() != 4) return 0;
  return MKTAG(tag[0], tag[1], tag[2], tag[3]);
}

// An encoder context for the stream, not yet opened.
AVCodecContext* NewEncoderContext(const AVCodec* codec, int width, int height, int fps,
                                  const TAVIEncoderSettings& settings, bool global_header) {
  AVCodecContext* context = avcodec_alloc_context3(codec);
  if (context == nullptr) return nullptr;
  context->width = width;
  context->height = height;
  context->time_base = AVRational{1, fps};
  context->framerate = AVRational{fps, 1};
  context->pix_fmt = EncoderPixelFormat(codec);
  if (settings.KeyFrameInterval > 0) context->gop_size = settings.KeyFrameInterval;
  if (settings.DataRateKbps > 0) context->bit_rate = static_cast<std::int64_t>(settings.DataRateKbps) * 1000;
  if (global_header) context->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  return context;
}

// FFmpeg's messages stay quiet while the encoders are tried one by one.
class TQuietLog {
 public:
  TQuietLog() : level_(av_log_get_level()) { av_log_set_level(AV_LOG_QUIET); }
  ~TQuietLog() { av_log_set_level(level_); }
  TQuietLog(const TQuietLog&) = delete;
  TQuietLog& operator=(const TQuietLog&) = delete;

 private:
  int level_;
};

}  // namespace

struct TAVIWriter::TState {
  AVFormatContext* format = nullptr;
  AVStream* stream = nullptr;
  AVCodecContext* codec = nullptr;
  SwsContext* scaler = nullptr;
  AVFrame* frame = nullptr;
  AVPacket* packet = nullptr;
  int width = 0;
  int height = 0;
  std::int64_t next_pts = 0;
  bool header_written = false;

  ~TState() {
    sws_freeContext(scaler);
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&codec);
    if (format != nullptr) {
      if (format->pb != nullptr) avio_closep(&format->pb);
      avformat_free_context(format);
    }
  }

  // Every packet the encoder has ready goes to the file; false when writing fails.
  bool Drain() {
    for (;;) {
      const int received = avcodec_receive_packet(codec, packet);
      if (received == AVERROR(EAGAIN) || received == AVERROR_EOF) return true;
      if (received < 0) return false;
      av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
      packet->stream_index = stream->index;
      if (av_interleaved_write_frame(format, packet) < 0) return false;
    }
  }
};

TAVIWriter::TAVIWriter() = default;

TAVIWriter::~TAVIWriter() {
  try {
    Close();
  } catch (const std::exception&) {
    // What could be written is in the file; a destructor has no one to tell.
  }
}

bool TAVIWriter::IsOpen() const {
  return state_ != nullptr;
}

int TAVIWriter::FramesWritten() const {
  return state_ != nullptr ? static_cast<int>(state_->next_pts) : 0;
}

void TAVIWriter::Open(const std::string& file_name, int width, int height, int fps,
                      const TAVIEncoderSettings& settings) {
  Close();
  // A stream needs a picture and a rate; refusing them here leaves no file behind.
  if (width <= 0 || height <= 0 || fps <= 0) throw Exception(kCannotCreateStream);
  auto state = std::make_unique<TState>();
  state->width = width;
  state->height = height;
  if (avformat_alloc_output_context2(&state->format, AVIFormat(), nullptr, file_name.c_str()) < 0 ||
      avio_open(&state->format->pb, file_name.c_str(), AVIO_FLAG_WRITE) < 0) {
    throw Exception(kCannotCreateFile);
  }
  state->stream = avformat_new_stream(state->format, nullptr);
  if (state->stream == nullptr) throw Exception(kCannotCreateStream);

  const AVCodec* codec = avcodec_find_encoder_by_name(settings.Encoder.c_str());
  if (codec == nullptr || codec->type != AVMEDIA_TYPE_VIDEO || EncoderPixelFormat(codec) == AV_PIX_FMT_NONE) {
    throw Exception(std::string(kCannotMakeCompressed) + kNoSuchCompressor);
  }
  state->codec = NewEncoderContext(codec, width, height, fps, settings,
                                   (state->format->oformat->flags & AVFMT_GLOBALHEADER) != 0);
  if (state->codec == nullptr || avcodec_open2(state->codec, codec, nullptr) < 0) {
    throw Exception(kCannotMakeCompressed);
  }
  if (avcodec_parameters_from_context(state->stream->codecpar, state->codec) < 0) {
    throw Exception(kCannotMakeCompressed);
  }
  state->stream->time_base = AVRational{1, fps};
  state->stream->avg_frame_rate = AVRational{fps, 1};
  state->stream->codecpar->codec_tag = FourCC(settings.CodecTag);
  if (avformat_write_header(state->format, nullptr) < 0) throw Exception(kSetFormatError);
  state->header_written = true;

  state->frame = av_frame_alloc();
  state->packet = av_packet_alloc();
  if (state->frame == nullptr || state->packet == nullptr) throw Exception(kSetFormatError);
  state->frame->format = state->codec->pix_fmt;
  state->frame->width = width;
  state->frame->height = height;
  if (av_frame_get_buffer(state->frame, 0) < 0) throw Exception(kSetFormatError);
  if (state->codec->pix_fmt != AV_PIX_FMT_BGR24) {
    state->scaler = sws_getContext(width, height, AV_PIX_FMT_BGR24, width, height, state->codec->pix_fmt,
                                   SWS_POINT, nullptr, nullptr, nullptr);
    if (state->scaler == nullptr) throw Exception(kSetFormatError);
  }
  state_ = std::move(state);
}

void TAVIWriter::WriteFrame(const std::uint8_t* pixels, int row_bytes) {
  if (state_ == nullptr) throw Exception(kAddFrameError);
  TState& s = *state_;
  if (av_frame_make_writable(s.frame) < 0) throw Exception(kAddFrameError);
  if (s.scaler != nullptr) {
    const std::uint8_t* const source[4] = {pixels, nullptr, nullptr, nullptr};
    const int strides[4] = {row_bytes, 0, 0, 0};
    sws_scale(s.scaler, source, strides, 0, s.height, s.frame->data, s.frame->linesize);
  } else {
    for (int y = 0; y < s.height; ++y) {
      std::memcpy(s.frame->data[0] + static_cast<std::ptrdiff_t>(y) * s.frame->linesize[0],
                  pixels + static_cast<std::ptrdiff_t>(y) * row_bytes, static_cast<std::size_t>(s.width) * 3);
    }
  }
  s.frame->pts = s.next_pts;
  if (avcodec_send_frame(s.codec, s.frame) < 0 || !s.Drain()) throw Exception(kAddFrameError);
  ++s.next_pts;
}

void TAVIWriter::Close() {
  if (state_ == nullptr) return;
  // The state goes whatever happens: a file that could not be finished is still closed.
  const std::unique_ptr<TState> state = std::move(state_);
  bool written = true;
  if (state->header_written) {
    written = avcodec_send_frame(state->codec, nullptr) >= 0 && state->Drain();
    written = av_write_trailer(state->format) >= 0 && written;
  }
  if (state->format->pb != nullptr && avio_closep(&state->format->pb) < 0) written = false;
  if (!written) throw Exception(kAddFrameError);
}

std::vector<TVideoEncoderChoice> AVIVideoEncoders(int width, int height) {
  static std::mutex mutex;
  static std::map<std::pair<int, int>, std::vector<TVideoEncoderChoice>> made;
  const std::lock_guard<std::mutex> lock(mutex);
  const auto known = made.find({width, height});
  if (known != made.end()) return known->second;

  std::vector<TVideoEncoderChoice> encoders;
  const AVOutputFormat* avi = AVIFormat();
  const TQuietLog quiet;
  void* iterator = nullptr;
  while (const AVCodec* codec = av_codec_iterate(&iterator)) {
    if (!av_codec_is_encoder(codec) || codec->type != AVMEDIA_TYPE_VIDEO || IsHardwareEncoder(codec))
      continue;
    if (avformat_query_codec(avi, codec->id, FF_COMPLIANCE_NORMAL) != 1) continue;
    if (EncoderPixelFormat(codec) == AV_PIX_FMT_NONE) continue;
    if (std::any_of(encoders.begin(), encoders.end(),
                    [codec](const TVideoEncoderChoice& e) { return e.Name == codec->name; })) {
      continue;
    }
    AVCodecContext* context = NewEncoderContext(codec, width, height, 25, {}, false);
    const bool opens = context != nullptr && avcodec_open2(context, codec, nullptr) >= 0;
    avcodec_free_context(&context);
    if (opens)
      encoders.push_back({codec->name, codec->long_name != nullptr ? codec->long_name : codec->name});
  }
  made[{width, height}] = encoders;
  return encoders;
}

}  // namespace zentrova
