// The frame output of demohost-capture: off-screen frame, read-back and progress.

#include "capture/frame_capture.h"

#include "audio/audio_device.h"
#include "render/render_target.h"

#include <GL/glew.h>
#include <GLFW/glfw3.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

static const double kProgressSeconds = 5;  // between progress lines when not on a terminal

static double SecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

static void Report(const std::string& message)
{
    fprintf(stderr, "demohost-capture: %s\n", message.c_str());
}

// The frame the script draws into instead of the window: its size is the video's, and the
// window's coordinates stretch over it as they do over a render target.
bool CaptureFrames::MakeFrameBuffer()
{
    if (!glGenFramebuffersEXT || !glGenBuffers)
        return false;
    if (!MakePictureFramebuffer(width_, height_, framebuffer_, texture_))
        return false;
    glDrawBuffer(GL_COLOR_ATTACHMENT0_EXT);
    glReadBuffer(GL_COLOR_ATTACHMENT0_EXT);
    glViewport(0, 0, width_, height_);

    glGenBuffers(2, pixel_buffers_);
    for (unsigned buffer : pixel_buffers_) {
        glBindBuffer(GL_PIXEL_PACK_BUFFER, buffer);
        glBufferData(GL_PIXEL_PACK_BUFFER, static_cast<GLsizeiptr>(width_) * height_ * 4, nullptr,
                     GL_STREAM_READ);
    }
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    return true;
}

bool CaptureFrames::Begin(const BitmapFont*)
{
    // The script's window is the current context's, never shown.
    GLFWwindow* window = glfwGetCurrentContext();
    if (!window) {
        Report("the script opened no window: there is nothing to capture");
        return false;
    }
    width_ = options_.width;
    height_ = options_.height;
    if (width_ == 0)
        glfwGetWindowSize(window, &width_, &height_);
    // H.264 and VP9 store colour at half resolution: their frames have even sizes.
    if (options_.kind != OutputKind::PngFrames) {
        width_ += width_ & 1;
        height_ += height_ & 1;
    }
    if (!MakeFrameBuffer()) {
        Report("cannot make an off-screen frame of " + std::to_string(width_) + " x " +
               std::to_string(height_));
        return false;
    }
    std::string error;
    if (!encoder_.Start(width_, height_, error)) {
        Report(error);
        return false;
    }
    terminal_ = isatty(STDERR_FILENO);
    started_ = last_progress_ = Clock::now();
    begun_ = true;
    return true;
}

// Copies a finished read-back to the encoder.
void CaptureFrames::HandOver(unsigned pixel_buffer)
{
    auto wait_start = Clock::now();
    uint8_t* pixels = encoder_.TakeFrameBuffer();
    waiting_seconds_ += SecondsSince(wait_start);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, pixel_buffer);
    const void* mapped = glMapBuffer(GL_PIXEL_PACK_BUFFER, GL_READ_ONLY);
    if (mapped)
        memcpy(pixels, mapped, static_cast<size_t>(width_) * height_ * 4);
    else
        memset(pixels, 0, static_cast<size_t>(width_) * height_ * 4);
    glUnmapBuffer(GL_PIXEL_PACK_BUFFER);
    encoder_.SubmitFrame(pixels);
}

// Starts reading this frame into one pixel buffer and hands over the frame before from the other.
bool CaptureFrames::FrameDrawn()
{
    auto start = Clock::now();
    GLint bound = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &bound);
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, framebuffer_);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, pixel_buffers_[frames_ % 2]);
    glReadPixels(0, 0, width_, height_, GL_BGRA, GL_UNSIGNED_BYTE, nullptr);
    if (frames_ > 0)
        HandOver(pixel_buffers_[(frames_ - 1) % 2]);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, static_cast<GLuint>(bound));
    frames_++;
    reading_seconds_ += SecondsSince(start);
    ShowProgress(false);
    return !encoder_.Failed();
}

bool CaptureFrames::Finish()
{
    if (finished_)
        return complete_;
    finished_ = true;
    if (!begun_) {
        Report("the script ended before its first frame: nothing was captured");
        return false;
    }
    if (frames_ > 0) {
        HandOver(pixel_buffers_[(frames_ - 1) % 2]);
        glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    }
    std::string error;
    bool complete = encoder_.Finish(error);
    ShowProgress(true);
    if (!complete)
        Report(error);
    else if (frames_ == 0)
        Report("the script quit before its first frame: nothing was captured");
    else
        ShowSummary();
    complete_ = complete && frames_ > 0;
    return complete_;
}

// "frame 120, 2.00 s of video, 39.3 frames a second, 0:12 left": in place on a terminal, every
// few seconds elsewhere.
void CaptureFrames::ShowProgress(bool last)
{
    double since = std::chrono::duration<double>(Clock::now() - last_progress_).count();
    if (!last && since < (terminal_ ? 0.25 : kProgressSeconds))
        return;
    last_progress_ = Clock::now();
    double elapsed = SecondsSince(started_);
    double rate = elapsed > 0 ? frames_ / elapsed : 0;
    // Without a length given, the capture ends with the music, if it plays, or the script.
    double frames = static_cast<double>(frames_at_most_);
    bool known = options_.frames > 0 || FirstStreamSeconds() > 0;
    if (options_.frames < 0 && known)
        frames = std::min(frames, std::ceil(FirstStreamSeconds() * options_.fps));
    double left = rate > 0 ? std::max(0.0, frames - static_cast<double>(frames_)) / rate : 0;
    char line[160];
    snprintf(line, sizeof line, "frame %lld, %.2f s of video, %.1f frames a second, %s%d:%02d left",
             static_cast<long long>(frames_), static_cast<double>(frames_) / options_.fps, rate,
             known ? "" : "at most ", static_cast<int>(left) / 60, static_cast<int>(left) % 60);
    if (terminal_)
        fprintf(stderr, "\r%s\033[K%s", line, last ? "\n" : "");
    else if (!last)
        fprintf(stderr, "%s\n", line);
}

// Where the time went: drawing (the update and the swap), the read-back (with a software renderer,
// this includes finishing the frame's drawing, which the read waits for), the wait for the
// encoder, and the encoder's own thread.
void CaptureFrames::ShowSummary()
{
    double elapsed = SecondsSince(started_);
    double video = static_cast<double>(frames_) / options_.fps;
    double per_frame = 1000.0 / static_cast<double>(frames_);
    double reading = reading_seconds_ - waiting_seconds_;
    fprintf(stderr,
            "demohost-capture: %lld frames (%.2f s) in %.2f s: %.1f frames a second, %.2f x real "
            "time; a frame: %.2f ms drawing, %.2f ms reading back, %.2f ms waiting for the "
            "encoder; encoding: %.2f ms of processor time a frame on its own thread\n",
            static_cast<long long>(frames_), video, elapsed, frames_ / elapsed, video / elapsed,
            (elapsed - reading_seconds_) * per_frame, reading * per_frame,
            waiting_seconds_ * per_frame, encoder_.busy_seconds() * per_frame);
}
