// An AVI file read back with libavformat and libavcodec: the stream's codec, tag, rate and size, and
// every frame decoded to BGR24, top row first.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include <cstdint>
#include <string>
#include <vector>

namespace zentrova::test {

struct TAVIReadBack {
  bool opened = false;
  std::string codec, tag;  // the decoder's name; the four characters of the tag, "" for 0
  int rate_num = 0, rate_den = 1, width = 0, height = 0;
  std::vector<std::vector<std::uint8_t>> frames;

  // B, G, R of pixel (x, y) of frame f, y from the top.
  std::vector<int> Pixel(std::size_t f, int x, int y) const {
    const std::uint8_t* p = &frames[f][(static_cast<std::size_t>(y) * width + x) * 3];
    return {p[0], p[1], p[2]};
  }
};

inline TAVIReadBack ReadAVI(const std::string& file_name) {
  TAVIReadBack result;
  AVFormatContext* format = nullptr;
  if (avformat_open_input(&format, file_name.c_str(), nullptr, nullptr) < 0) return result;
  avformat_find_stream_info(format, nullptr);
  const int index = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
  const AVStream* stream = format->streams[std::max(index, 0)];
  const AVCodecParameters* par = stream->codecpar;
  result.opened = index >= 0;
  result.codec = avcodec_get_name(par->codec_id);
  for (int i = 0; i < 4 && par->codec_tag != 0; ++i) result.tag += char((par->codec_tag >> (8 * i)) & 0xFF);
  result.rate_num = stream->r_frame_rate.num, result.rate_den = stream->r_frame_rate.den;
  result.width = par->width, result.height = par->height;
  AVCodecContext* context = avcodec_alloc_context3(avcodec_find_decoder(par->codec_id));
  avcodec_parameters_to_context(context, par);
  avcodec_open2(context, nullptr, nullptr);
  AVPacket* packet = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  SwsContext* scaler = nullptr;
  const auto take = [&] {
    while (avcodec_receive_frame(context, frame) == 0) {
      scaler = sws_getCachedContext(scaler, frame->width, frame->height, AVPixelFormat(frame->format),
                                    frame->width, frame->height, AV_PIX_FMT_BGR24, SWS_POINT, nullptr,
                                    nullptr, nullptr);
      std::vector<std::uint8_t> bgr(static_cast<std::size_t>(frame->width) * frame->height * 3);
      std::uint8_t* out[4] = {bgr.data()};
      const int out_stride[4] = {frame->width * 3};
      sws_scale(scaler, frame->data, frame->linesize, 0, frame->height, out, out_stride);
      result.frames.push_back(std::move(bgr));
    }
  };
  while (av_read_frame(format, packet) >= 0) {
    if (packet->stream_index == index && avcodec_send_packet(context, packet) >= 0) take();
    av_packet_unref(packet);
  }
  avcodec_send_packet(context, nullptr);
  take();
  sws_freeContext(scaler), av_frame_free(&frame), av_packet_free(&packet);
  avcodec_free_context(&context), avformat_close_input(&format);
  return result;
}

}  // namespace zentrova::test
