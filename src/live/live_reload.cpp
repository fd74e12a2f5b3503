// demohost-live's reload policy: what asks for a reload, and the editor's requests carried out.

#include "live/live_reload.h"

#include "audio/music.h"
#include "live/live_options.h"
#include "tracks/tracks.h"

#include <cmath>
#include <cstdio>

// A save's changes have settled after this long; so have the rows of the editor's cursor.
static const double kSettleSeconds = 0.05;

LiveReload::LiveReload(const LiveOptions& options, LiveClock& clock, TransportInput keys,
                       double (*now)(), const std::string& folder)
    : clock_(clock), now_(now), transport_(clock, keys),
      editor_(options.editor_host, options.editor_port)
{
    if (!watch_.Open(folder))
        printf("demohost-live: cannot watch %s/ for changes; F5 reloads\n", folder.c_str());
}

bool LiveReload::BeforeFrame()
{
    // All are read each frame, so that no key misses its press and no save is left over.
    double now = now_();
    bool saved = watch_.Settled(now, kSettleSeconds);
    bool asked = transport_.Step();
    bool moved = FollowEditor(now);
    return saved || asked || moved;
}

void LiveReload::Reloaded(bool ok, const std::string& error)
{
    error_ = ok ? "" : error;
}

// Carries out what the editor asked and tells it the row played; true when the time moved to
// the row of its cursor.
bool LiveReload::FollowEditor(double now)
{
    EditorRequests requests;
    editor_.Poll(now, requests);
    if (requests.pause && *requests.pause != clock_.Paused())
        transport_.Pause(*requests.pause);
    if (requests.row) {
        row_ = requests.row;
        row_came_ = now;
    }
    if (requests.save)
        SaveTracks(now);
    // The row of the last frame, not sent while the editor's own row is yet to be jumped to.
    if (!clock_.Paused() && !row_)
        editor_.PlayingAt(static_cast<int32_t>(std::floor(CurrentRow())));
    if (!row_ || now - row_came_ < kSettleSeconds)
        return false;
    double seconds = *row_ / RowsPerSecond();
    row_.reset();
    return transport_.Jump(seconds - TrackTime());
}

double LiveReload::TrackTime() const
{
    double position = 0, length = 0;
    return MusicPosition(position, length) ? position : clock_.Time();
}

// Every track the editor knows, to its file; the program's own writes make no reload.
void LiveReload::SaveTracks(double now)
{
    std::vector<std::string> written;
    for (const Track& track : AllTracks()) {
        std::string path = TrackFilePath(TrackPrefix(), track.name);
        WriteTrackFile(path, KeysToSave(track));
        written.push_back(path);
        written.push_back(path + ".new");
    }
    watch_.DropOwnWrites(written, now);
    printf("demohost-live: saved %zu tracks\n", AllTracks().size());
}
