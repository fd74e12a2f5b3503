// The frame output of demohost-capture: the script draws into an off-screen frame of the video's
// size, which is read back after each frame through two pixel buffers in turn (so the read of one
// frame overlaps the drawing of the next) and handed to the encoder; a progress line goes to
// standard error. State: the frame's framebuffer, the pixel buffers and the counts.
#pragma once

#include "capture/capture_options.h"
#include "capture/encoder.h"
#include "frame_pieces.h"

#include <chrono>

class CaptureFrames : public FrameOutput {
public:
    // `frames_at_most`: the length when nothing ends the capture sooner, for the time left.
    CaptureFrames(const CaptureOptions& options, int64_t frames_at_most, Encoder& encoder)
        : options_(options), frames_at_most_(frames_at_most), encoder_(encoder)
    {
    }
    bool ShowsWindow() const override { return false; }
    unsigned Framebuffer() const override { return framebuffer_; }
    bool Begin(const BitmapFont*) override;
    // False once the encoder has failed (a full disk, a file-size limit): the capture ends then.
    bool FrameDrawn() override;
    // Also called when the script ends the process: the frames captured until then make the file.
    bool Finish() override;

private:
    using Clock = std::chrono::steady_clock;

    bool MakeFrameBuffer();
    void HandOver(unsigned pixel_buffer);
    void ShowProgress(bool last);
    void ShowSummary();

    CaptureOptions options_;
    int64_t frames_at_most_;
    Encoder& encoder_;
    int width_ = 0, height_ = 0;
    unsigned framebuffer_ = 0, texture_ = 0;
    unsigned pixel_buffers_[2] = {};
    int64_t frames_ = 0;  // frames read back so far
    Clock::time_point started_, last_progress_;
    double reading_seconds_ = 0;  // read-back, mapping and copying
    double waiting_seconds_ = 0;  // for a buffer the encoder has finished with
    bool terminal_ = false;
    bool begun_ = false;
    bool finished_ = false, complete_ = false;
};
