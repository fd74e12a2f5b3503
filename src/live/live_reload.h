// demohost-live's reload policy, the piece it gives the frame loop: a reload when a file below
// res/ was saved, F5 pressed or the time jumped; the transport keys; the sync editor's requests.
// State: the transport keys, the file watch, the editor link, the editor's row not yet jumped to
// and the last reload's error.
#pragma once

#include "frame_pieces.h"
#include "live/editor_link.h"
#include "live/file_watch.h"
#include "live/live_clock.h"
#include "live/transport_keys.h"

#include <cstdint>
#include <optional>
#include <string>

struct LiveOptions;

class LiveReload : public ScriptReload {
public:
    // `keys` reads the transport keys; `now` is seconds on a steady clock; `folder` is watched
    // for saves.
    LiveReload(const LiveOptions& options, LiveClock& clock, TransportInput keys, double (*now)(),
               const std::string& folder = "res");
    bool BeforeFrame() override;
    void Reloaded(bool ok, const std::string& error) override;
    bool CountsRepeatedErrors() const override { return true; }

    // What the status line shows besides the music's position.
    bool Paused() const { return clock_.Paused(); }
    bool EditorConnected() const { return editor_.Connected(); }
    // The last failed reload's error; empty after a good one.
    const std::string& LastError() const { return error_; }
    // Where the tracks are: the music heard at the last frame, or the frame time without music.
    double TrackTime() const;

private:
    bool FollowEditor(double now);
    void SaveTracks(double now);

    LiveClock& clock_;
    double (*now_)();
    TransportKeys transport_;
    FileWatch watch_;
    EditorLink editor_;
    std::optional<int32_t> row_;  // the editor's last row, not yet jumped to
    double row_came_ = 0;
    std::string error_;
};
