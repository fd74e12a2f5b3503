// Encoding of captured frames and samples through FFmpeg's libraries, on a thread of its own:
// H.264 with AAC (.mp4, .mkv), VP9 with Opus (.webm), or numbered PNG files with a WAV. State: the
// output files, the codecs, a queue of jobs and a pool of frame buffers.
#pragma once

#include "capture/capture_options.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct EncodedStream;
struct AVFormatContext;

class Encoder {
public:
    static const int kFrameBuffers = 3;  // frames drawn ahead of the encoder at most

    Encoder();
    ~Encoder();
    Encoder(const Encoder&) = delete;
    Encoder& operator=(const Encoder&) = delete;

    // Opens the output for writing and finds the codecs; false with a message when it cannot.
    bool Open(const CaptureOptions& options, std::string& error);
    // Sets up the streams for frames of width x height and starts the thread.
    bool Start(int width, int height, std::string& error);
    // A buffer for one frame of BGRA pixels, bottom row first; waits while all are in the queue.
    uint8_t* TakeFrameBuffer();
    void SubmitFrame(uint8_t* pixels);
    // Interleaved stereo samples at 44100 Hz, in order from the first. They are taken as a sound
    // card plays them: clipped to full scale, and what is not a number is silence.
    void SubmitSamples(const float* samples, int frames);
    // Encodes what is queued, flushes the codecs and closes the files.
    bool Finish(std::string& error);
    // Whether encoding or writing has failed; Finish then gives the reason.
    bool Failed();
    // Processor seconds the thread spent encoding.
    double busy_seconds() const { return busy_seconds_; }

private:
    struct Job {
        uint8_t* pixels = nullptr;  // a frame, or else samples
        std::vector<float> samples;
    };

    void Run();
    void StopThread();
    void EncodeFrame(const uint8_t* pixels);
    void EncodeSamples(const std::vector<float>& samples);
    std::string FailureText(const std::string& step, int result) const;
    void Fail(const std::string& message);
    void Push(Job job);

    CaptureOptions options_;
    std::vector<AVFormatContext*> formats_;
    std::unique_ptr<EncodedStream> video_, audio_;
    int width_ = 0, height_ = 0;
    std::vector<std::vector<uint8_t>> buffers_;

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Job> jobs_;
    std::vector<uint8_t*> free_buffers_;
    bool closing_ = false;
    std::string error_;  // the first failure on the thread
    std::thread thread_;
    double busy_seconds_ = 0;
};
