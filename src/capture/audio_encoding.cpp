// The capture's sound: samples clipped as a card plays them, resampled into the codec's format
// and cut into its frames.

#include "capture/encoded_stream.h"

#include "audio/audio_device.h"

#include <algorithm>
#include <cmath>

// Chunks of samples for codecs that take any number (PCM).
static const int kPcmFrameSize = 1024;

// The codec's rate when it cannot take 44100 Hz (Opus takes 48000 Hz).
static int SampleRateFor(const AVCodec* codec)
{
    const int* rates = codec->supported_samplerates;
    if (!rates)
        return kAudioRate;
    int chosen = rates[0];
    for (; *rates; rates++)
        if (*rates == kAudioRate || *rates == 48000)
            chosen = *rates;
    return chosen;
}

bool StartAudio(EncodedStream& s, std::string& error)
{
    s.context = avcodec_alloc_context3(s.codec);
    s.context->sample_fmt = s.codec->sample_fmts ? s.codec->sample_fmts[0] : AV_SAMPLE_FMT_S16;
    s.context->sample_rate = SampleRateFor(s.codec);
    s.context->time_base = {1, s.context->sample_rate};
    av_channel_layout_default(&s.context->ch_layout, kAudioChannels);
    s.context->bit_rate = 192000;
    AVDictionary* settings = nullptr;
    if (!OpenCodec(s, &settings, error))
        return false;
    s.frame_size = s.context->frame_size > 0 ? s.context->frame_size : kPcmFrameSize;
    s.frame->format = s.context->sample_fmt;
    s.frame->sample_rate = s.context->sample_rate;
    s.frame->nb_samples = s.frame_size;
    av_channel_layout_copy(&s.frame->ch_layout, &s.context->ch_layout);
    AVChannelLayout stereo;
    av_channel_layout_default(&stereo, kAudioChannels);
    swr_alloc_set_opts2(&s.resample, &s.context->ch_layout, s.context->sample_fmt,
                        s.context->sample_rate, &stereo, AV_SAMPLE_FMT_FLT, kAudioRate, 0,
                        nullptr);
    s.fifo = av_audio_fifo_alloc(s.context->sample_fmt, kAudioChannels, s.frame_size);
    if (av_frame_get_buffer(s.frame, 0) < 0 || !s.resample || swr_init(s.resample) < 0 ||
        !s.fifo) {
        error = "cannot convert samples for the encoder";
        return false;
    }
    return true;
}

// Encoders are given only what a card could play: far past full scale, the AAC encoder never
// finishes a frame, and a non-finite sample makes it fail.
float PlayableSample(float sample)
{
    if (!std::isfinite(sample))
        return 0;
    return std::clamp(sample, -1.0f, 1.0f);
}

// Encodes whole codec frames from the queue; with `last`, the remainder too (padded with silence
// when the codec takes only whole frames).
static int EncodeQueuedSamples(EncodedStream& s, bool last)
{
    while (av_audio_fifo_size(s.fifo) >= s.frame_size || (last && av_audio_fifo_size(s.fifo) > 0)) {
        int count = std::min(av_audio_fifo_size(s.fifo), s.frame_size);
        if (av_frame_make_writable(s.frame) < 0)
            return AVERROR(ENOMEM);
        bool any_size = s.codec->capabilities &
                        (AV_CODEC_CAP_VARIABLE_FRAME_SIZE | AV_CODEC_CAP_SMALL_LAST_FRAME);
        s.frame->nb_samples = any_size ? count : s.frame_size;
        av_samples_set_silence(s.frame->data, 0, s.frame->nb_samples, kAudioChannels,
                               s.context->sample_fmt);
        av_audio_fifo_read(s.fifo, reinterpret_cast<void**>(s.frame->data), count);
        s.frame->pts = s.next_pts;
        s.next_pts += s.frame->nb_samples;
        int result = Encode(s, s.frame);
        if (result < 0)
            return result;
    }
    return 0;
}

// Converts samples (null: what the resampler still holds) into the queue of codec frames.
static int QueueSamples(EncodedStream& s, const float* samples, int frames)
{
    const uint8_t* in[] = {reinterpret_cast<const uint8_t*>(samples)};
    int room = swr_get_out_samples(s.resample, frames);
    if (room <= 0)
        return room;
    uint8_t** out = nullptr;
    int result = av_samples_alloc_array_and_samples(&out, nullptr, kAudioChannels, room,
                                                    s.context->sample_fmt, 0);
    if (result >= 0)
        result = swr_convert(s.resample, out, room, samples ? in : nullptr, frames);
    if (result > 0)
        result = av_audio_fifo_write(s.fifo, reinterpret_cast<void**>(out), result);
    if (out)
        av_freep(&out[0]);
    av_freep(&out);
    return result;
}

int EncodeAudio(EncodedStream& s, const float* samples, int frames)
{
    int result = QueueSamples(s, samples, frames);
    return result < 0 ? result : EncodeQueuedSamples(s, false);
}

int FinishAudio(EncodedStream& s)
{
    int result = QueueSamples(s, nullptr, 0);
    if (result >= 0)
        result = EncodeQueuedSamples(s, true);
    if (result >= 0)
        result = Encode(s, nullptr);
    return result;
}
