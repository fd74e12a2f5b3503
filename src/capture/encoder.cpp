// Encoding of captured frames and samples through FFmpeg's libraries, on a thread of its own.

#include "capture/encoder.h"

#include "audio/audio_device.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <ctime>

// Chunks of samples for codecs that take any number (PCM).
static const int kPcmFrameSize = 1024;

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

static std::string ErrorText(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

struct CodecNames {
    const char* video;
    const char* audio;
};

static CodecNames CodecsFor(OutputKind kind)
{
    switch (kind) {
    case OutputKind::H264:
        return {"libx264", "aac"};
    case OutputKind::Vp9:
        return {"libvpx-vp9", "libopus"};
    case OutputKind::PngFrames:
        break;
    }
    return {"png", "pcm_s16le"};
}

// Allocates the muxer for `path` and, unless it writes files of its own, opens the file.
static AVFormatContext* OpenFormat(const char* format_name, const std::string& path,
                                   std::string& error)
{
    AVFormatContext* format = nullptr;
    int result = avformat_alloc_output_context2(&format, nullptr, format_name, path.c_str());
    if (result < 0) {
        error = "cannot write '" + path + "': " + ErrorText(result);
        return nullptr;
    }
    if (!(format->oformat->flags & AVFMT_NOFILE)) {
        result = avio_open(&format->pb, path.c_str(), AVIO_FLAG_WRITE);
        if (result < 0) {
            error = "cannot write '" + path + "': " + ErrorText(result);
            avformat_free_context(format);
            return nullptr;
        }
    }
    return format;
}

Encoder::Encoder() : video_(new EncodedStream), audio_(new EncodedStream) {}

Encoder::~Encoder()
{
    StopThread();
    video_.reset();
    audio_.reset();
    for (AVFormatContext* format : formats_) {
        if (!(format->oformat->flags & AVFMT_NOFILE))
            avio_closep(&format->pb);
        avformat_free_context(format);
    }
}

bool Encoder::Open(const CaptureOptions& options, std::string& error)
{
    options_ = options;
    CodecNames names = CodecsFor(options.kind);
    video_->codec = avcodec_find_encoder_by_name(names.video);
    audio_->codec = avcodec_find_encoder_by_name(names.audio);
    if (!video_->codec || !audio_->codec) {
        error = std::string("this FFmpeg has no ") + (video_->codec ? names.audio : names.video) +
                " encoder";
        return false;
    }
    bool frames = options.kind == OutputKind::PngFrames;
    AVFormatContext* format = OpenFormat(frames ? "image2" : nullptr, options.output, error);
    if (!format)
        return false;
    formats_.push_back(format);
    if (frames) {
        // The frames' folder must take files: the sound beside them is opened now.
        format = OpenFormat("wav", SoundPathBesideFrames(options.output), error);
        if (!format)
            return false;
        formats_.push_back(format);
    }
    video_->format = formats_.front();
    audio_->format = formats_.back();
    return true;
}

static bool OpenCodec(EncodedStream& s, AVDictionary** settings, std::string& error)
{
    if (s.format->oformat->flags & AVFMT_GLOBALHEADER)
        s.context->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    int result = avcodec_open2(s.context, s.codec, settings);
    av_dict_free(settings);
    s.stream = result < 0 ? nullptr : avformat_new_stream(s.format, nullptr);
    if (!s.stream || avcodec_parameters_from_context(s.stream->codecpar, s.context) < 0) {
        error = std::string("cannot start the ") + s.codec->name + " encoder: " + ErrorText(result);
        return false;
    }
    s.stream->time_base = s.context->time_base;
    s.packet = av_packet_alloc();
    s.frame = av_frame_alloc();
    return true;
}

static bool StartVideo(EncodedStream& s, const CaptureOptions& options, int width, int height,
                       std::string& error)
{
    s.context = avcodec_alloc_context3(s.codec);
    s.context->width = width;
    s.context->height = height;
    s.context->time_base = {1, options.fps};
    s.context->framerate = {options.fps, 1};
    s.context->pix_fmt =
        options.kind == OutputKind::PngFrames ? AV_PIX_FMT_RGB24 : AV_PIX_FMT_YUV420P;
    AVDictionary* settings = nullptr;
    std::string quality = std::to_string(options.quality);
    // One encoder thread at a low priority uses the time the renderer leaves idle, and the fastest
    // preset keeps it up with the frames (the constant rate factor keeps the quality; files are
    // about twice the size of the slower presets'). Measured on two cores: it added 11 to 14 % to
    // the demo's frame time, against 40 % for x264's own threads at its "veryfast" preset.
    if (options.kind == OutputKind::H264) {
        av_dict_set(&settings, "crf", quality.c_str(), 0);
        av_dict_set(&settings, "preset", "ultrafast", 0);
        av_dict_set(&settings, "threads", "1", 0);
    } else if (options.kind == OutputKind::Vp9) {
        // Constant quality (no bit rate target), at the encoder's fastest settings.
        av_dict_set(&settings, "crf", quality.c_str(), 0);
        av_dict_set(&settings, "b", "0", 0);
        av_dict_set(&settings, "deadline", "realtime", 0);
        av_dict_set(&settings, "cpu-used", "8", 0);
    }
    if (!OpenCodec(s, &settings, error))
        return false;
    s.frame->format = s.context->pix_fmt;
    s.frame->width = width;
    s.frame->height = height;
    s.scale = sws_getContext(width, height, AV_PIX_FMT_BGRA, width, height, s.context->pix_fmt,
                             SWS_BILINEAR, nullptr, nullptr, nullptr);
    if (av_frame_get_buffer(s.frame, 0) < 0 || !s.scale) {
        error = "cannot convert frames for the encoder";
        return false;
    }
    return true;
}

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

static bool StartAudio(EncodedStream& s, std::string& error)
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

bool Encoder::Start(int width, int height, std::string& error)
{
    width_ = width;
    height_ = height;
    if (!StartVideo(*video_, options_, width, height, error) || !StartAudio(*audio_, error))
        return false;
    for (AVFormatContext* format : formats_) {
        AVDictionary* settings = nullptr;
        // Numbered files count from 0, like the frames.
        if (options_.kind == OutputKind::PngFrames)
            av_dict_set(&settings, "start_number", "0", 0);
        int result = avformat_write_header(format, &settings);
        av_dict_free(&settings);
        if (result < 0) {
            error = "cannot write '" + std::string(format->url) + "': " + ErrorText(result);
            return false;
        }
    }
    buffers_.assign(kFrameBuffers, std::vector<uint8_t>(static_cast<size_t>(width) * height * 4));
    for (std::vector<uint8_t>& buffer : buffers_)
        free_buffers_.push_back(buffer.data());
    thread_ = std::thread(&Encoder::Run, this);
    return true;
}

uint8_t* Encoder::TakeFrameBuffer()
{
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return !free_buffers_.empty(); });
    uint8_t* buffer = free_buffers_.back();
    free_buffers_.pop_back();
    return buffer;
}

void Encoder::Push(Job job)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        jobs_.push_back(std::move(job));
    }
    changed_.notify_all();
}

void Encoder::SubmitFrame(uint8_t* pixels)
{
    Job job;
    job.pixels = pixels;
    Push(std::move(job));
}

// Encoders are given only what a card could play: far past full scale, the AAC encoder never
// finishes a frame, and a non-finite sample makes it fail.
static float PlayableSample(float sample)
{
    if (!std::isfinite(sample))
        return 0;
    return std::clamp(sample, -1.0f, 1.0f);
}

void Encoder::SubmitSamples(const float* samples, int frames)
{
    Job job;
    job.samples.resize(static_cast<size_t>(frames) * kAudioChannels);
    std::transform(samples, samples + job.samples.size(), job.samples.begin(), PlayableSample);
    Push(std::move(job));
}

bool Encoder::Failed()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return !error_.empty();
}

// What failed: a write (a full disk, a file-size limit) names the file, anything else the step.
std::string Encoder::FailureText(const std::string& step, int result) const
{
    for (AVFormatContext* format : formats_)
        if (format->pb && format->pb->error < 0)
            return "cannot write '" + std::string(format->url) + "': " +
                   ErrorText(format->pb->error);
    return step + ": " + ErrorText(result);
}

void Encoder::Fail(const std::string& message)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (error_.empty())
        error_ = message;
}

// Sends a frame (null: the end) to the codec and writes every packet it gives back. A video
// packet lasts one frame: without a duration the container gives the last frame none, and a video
// of one frame shows nothing. A write that failed (a full disk, a file-size limit) is reported at
// once, though the file's buffer may have taken the packet.
static int Encode(EncodedStream& s, AVFrame* frame)
{
    int result = avcodec_send_frame(s.context, frame);
    while (result >= 0) {
        result = avcodec_receive_packet(s.context, s.packet);
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF)
            return 0;
        if (result < 0)
            break;
        if (s.packet->duration == 0 && s.context->codec_type == AVMEDIA_TYPE_VIDEO)
            s.packet->duration = 1;
        av_packet_rescale_ts(s.packet, s.context->time_base, s.stream->time_base);
        s.packet->stream_index = s.stream->index;
        result = av_interleaved_write_frame(s.format, s.packet);
        if (result >= 0 && s.format->pb && s.format->pb->error < 0)
            result = s.format->pb->error;
    }
    return result;
}

// Processor time of the calling thread: what encoding costs, however long it waited for a core.
static double ThreadSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

void Encoder::Run()
{
    // Below the frame loop and the renderer's threads: drawing comes first.
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 10);
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return !jobs_.empty() || closing_; });
        if (jobs_.empty())
            return;
        Job job = std::move(jobs_.front());
        jobs_.pop_front();
        bool failed = !error_.empty();
        lock.unlock();
        double start = ThreadSeconds();
        if (!failed && job.pixels)
            EncodeFrame(job.pixels);
        else if (!failed)
            EncodeSamples(job.samples);
        double spent = ThreadSeconds() - start;
        lock.lock();
        busy_seconds_ += spent;
        if (job.pixels) {
            free_buffers_.push_back(job.pixels);
            changed_.notify_all();
        }
    }
}

void Encoder::EncodeFrame(const uint8_t* pixels)
{
    EncodedStream& s = *video_;
    // GL's rows run from the bottom up: start at the last row and step backwards.
    const int stride = width_ * 4;
    const uint8_t* top = pixels + static_cast<ptrdiff_t>(height_ - 1) * stride;
    const int negative_stride = -stride;
    if (av_frame_make_writable(s.frame) < 0) {
        Fail("out of memory for a frame");
        return;
    }
    sws_scale(s.scale, &top, &negative_stride, 0, height_, s.frame->data, s.frame->linesize);
    s.frame->pts = s.next_pts++;
    int result = Encode(s, s.frame);
    if (result < 0)
        Fail(FailureText("cannot encode frame " + std::to_string(s.next_pts - 1), result));
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

void Encoder::EncodeSamples(const std::vector<float>& samples)
{
    int frames = static_cast<int>(samples.size() / kAudioChannels);
    int result = QueueSamples(*audio_, samples.data(), frames);
    if (result >= 0)
        result = EncodeQueuedSamples(*audio_, false);
    if (result < 0)
        Fail(FailureText("cannot encode the sound", result));
}

// Lets the thread encode what is queued, then ends it.
void Encoder::StopThread()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        closing_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

bool Encoder::Finish(std::string& error)
{
    StopThread();
    int result = 0;
    if (error_.empty()) {
        result = QueueSamples(*audio_, nullptr, 0);
        if (result >= 0)
            result = EncodeQueuedSamples(*audio_, true);
        if (result >= 0)
            result = Encode(*audio_, nullptr);
        if (result >= 0)
            result = Encode(*video_, nullptr);
        for (AVFormatContext* format : formats_) {
            if (result >= 0)
                result = av_write_trailer(format);
            if (result >= 0 && !(format->oformat->flags & AVFMT_NOFILE))
                result = avio_closep(&format->pb);
        }
        if (result < 0)
            error_ = "cannot finish '" + options_.output + "': " + ErrorText(result);
    }
    error = error_;
    return error_.empty();
}
