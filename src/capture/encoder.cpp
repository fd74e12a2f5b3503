// The capture's encoder: the files and streams started, and a worker thread that encodes the
// queued frames and samples, with a pool of frame buffers.

#include "capture/encoder.h"

#include "audio/audio_device.h"
#include "capture/encoded_stream.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>

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
    if (av_frame_make_writable(video_->frame) < 0) {
        Fail("out of memory for a frame");
        return;
    }
    int result = EncodeVideoFrame(*video_, pixels, width_, height_);
    if (result < 0)
        Fail(FailureText("cannot encode frame " + std::to_string(video_->next_pts - 1), result));
}

void Encoder::EncodeSamples(const std::vector<float>& samples)
{
    int frames = static_cast<int>(samples.size() / kAudioChannels);
    int result = EncodeAudio(*audio_, samples.data(), frames);
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
        result = FinishAudio(*audio_);
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
