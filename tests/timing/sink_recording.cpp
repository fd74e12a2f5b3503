// Records the null sink's output with parec on the wall clock, and finds the sounds in it.

#include "timing/sink_recording.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <sys/wait.h>
#include <unistd.h>

static const int kRate = 44100;

SinkRecording::SinkRecording()
{
    int pipe_fds[2];
    if (pipe(pipe_fds) != 0)
        return;
    pid_ = fork();
    if (pid_ == 0) {
        dup2(pipe_fds[1], STDOUT_FILENO);
        close(pipe_fds[0]);
        close(pipe_fds[1]);
        execlp("parec", "parec", "--device=null.monitor", "--raw", "--format=s16le",
               "--channels=1", "--rate=44100", "--latency-msec=5", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(pipe_fds[1]);
    fd_ = pipe_fds[0];
    if (!ReadOnce())
        ADD_FAILURE() << "parec recorded nothing from the null sink";
    reader_ = std::thread([this] {
        while (ReadOnce()) {
        }
    });
}

SinkRecording::~SinkRecording() { Stop(); }

bool SinkRecording::ReadOnce()
{
    char buffer[4096];
    ssize_t n = read(fd_, buffer, sizeof buffer);
    if (n <= 0)
        return false;
    bytes_.append(buffer, static_cast<size_t>(n));
    arrivals_.push_back({bytes_.size(), Clock::now()});
    return true;
}

void SinkRecording::Stop()
{
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }
    if (reader_.joinable())
        reader_.join();
    if (fd_ >= 0)
        close(fd_);
    fd_ = -1;
}

Clock::time_point SinkRecording::PlayedAt(size_t k) const
{
    auto after = std::upper_bound(arrivals_.begin(), arrivals_.end(), 2 * k,
                                  [](size_t bytes, const Arrival& a) { return bytes < a.bytes; });
    Clock::time_point best = Clock::time_point::max();
    for (auto a = after; a != arrivals_.end() && a->bytes / 2 <= k + kRate; ++a) {
        auto ahead = std::chrono::duration<double>(static_cast<double>(a->bytes / 2 - k) / kRate);
        best = std::min(best, a->at - std::chrono::duration_cast<Clock::duration>(ahead));
    }
    return best;
}

std::vector<double> SinkRecording::Onsets(Clock::time_point since, double threshold, double quiet,
                                          double loud)
{
    // The last sound played reaches parec a few milliseconds later.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    Stop();
    std::vector<double> onsets;
    const auto quiet_needed = static_cast<size_t>(quiet * kRate);
    const auto loud_needed = static_cast<size_t>(loud * kRate);
    // Nothing played before the recording began.
    size_t quiet_samples = quiet_needed, loud_samples = loud_needed;
    for (size_t k = 0; k < bytes_.size() / 2; k++) {
        auto low = static_cast<unsigned char>(bytes_[2 * k]);
        auto high = static_cast<unsigned char>(bytes_[2 * k + 1]);
        double sample = static_cast<int16_t>(low | high << 8) / 32768.0;
        if (std::abs(sample) <= threshold) {
            quiet_samples++;
            continue;
        }
        if (quiet_samples >= quiet_needed && loud_samples >= loud_needed) {
            onsets.push_back(std::chrono::duration<double>(PlayedAt(k) - since).count());
            loud_samples = 0;
        }
        quiet_samples = 0;
        loud_samples++;
    }
    return onsets;
}
