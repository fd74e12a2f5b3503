// One encoded stream of a capture and the steps the encoder's files share: the muxer and the
// packets written to it (muxer.cpp), the video's colour conversion (video_encoding.cpp), and the
// sound's resampling and framing (audio_encoding.cpp). Not for outside use.
#pragma once

#include "capture/capture_options.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <cstdint>
#include <string>

// One encoded stream: its codec, the stream in its file, and the conversion into the codec's
// pixel or sample format.
struct EncodedStream {
    const AVCodec* codec = nullptr;
    AVCodecContext* context = nullptr;
    AVFormatContext* format = nullptr;
    AVStream* stream = nullptr;
    AVFrame* frame = nullptr;
    AVPacket* packet = nullptr;
    SwsContext* scale = nullptr;     // video: BGRA, bottom row first, to the codec's format
    SwrContext* resample = nullptr;  // audio: 44100 Hz interleaved float to the codec's format
    AVAudioFifo* fifo = nullptr;     // audio waiting for a whole codec frame
    int frame_size = 0;
    int64_t next_pts = 0;

    ~EncodedStream()
    {
        avcodec_free_context(&context);
        av_frame_free(&frame);
        av_packet_free(&packet);
        sws_freeContext(scale);
        swr_free(&resample);
        if (fifo)
            av_audio_fifo_free(fifo);
    }
};

// FFmpeg's text for an error code.
std::string ErrorText(int code);

// The codecs of each kind of output, by FFmpeg's names.
struct CodecNames {
    const char* video;
    const char* audio;
};
CodecNames CodecsFor(OutputKind kind);
// Allocates the muxer for `path` and, unless it writes files of its own, opens the file; null with
// `error` when it cannot.
AVFormatContext* OpenFormat(const char* format_name, const std::string& path, std::string& error);
// Opens the stream's codec with `settings` (freed) and adds its stream to its file.
bool OpenCodec(EncodedStream& s, AVDictionary** settings, std::string& error);
// Sends a frame (null: the end) to the codec and writes every packet it gives back; a negative
// FFmpeg error when either fails.
int Encode(EncodedStream& s, AVFrame* frame);

// The video stream for frames of width x height at the options' rate and quality.
bool StartVideo(EncodedStream& s, const CaptureOptions& options, int width, int height,
                std::string& error);
// Converts one frame of BGRA pixels, bottom row first, into the stream's frame (made writable
// first) and encodes it.
int EncodeVideoFrame(EncodedStream& s, const uint8_t* pixels, int width, int height);

// The audio stream, resampling 44100 Hz interleaved stereo floats into the codec's format.
bool StartAudio(EncodedStream& s, std::string& error);
// A sample as a card would play it: clipped to full scale, and what is not a number is silence.
float PlayableSample(float sample);
// Encodes `frames` stereo frames: whole codec frames go out, the rest waits for the next.
int EncodeAudio(EncodedStream& s, const float* samples, int frames);
// Encodes what the resampler and the queue still hold, the last frame padded with silence when
// the codec takes only whole frames.
int FinishAudio(EncodedStream& s);
