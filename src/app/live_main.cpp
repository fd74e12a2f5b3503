// demohost-live: runs res/main.lua as demohost does and reloads it whenever a file below res/ is
// saved, with the frame time going on and the music playing on where it was. F5 reloads, F6
// pauses and resumes, F7 and F8 jump a second back and forward (ten with Shift), F9 goes back to
// the start point; a line in the corner shows where the music is and the last reload's error.
// Connected to the sync editor, it takes the tracks' keys from it and follows its cursor and pause.

#include "app/device_audio.h"
#include "app/frame_loop.h"
#include "app/reload.h"
#include "app/script_host.h"
#include "app/window.h"
#include "audio/music.h"
#include "live/editor_link.h"
#include "live/file_watch.h"
#include "live/live_clock.h"
#include "live/live_options.h"
#include "live/status_line.h"
#include "live/transport.h"
#include "tracks/tracks.h"

#include <cmath>
#include <cstdio>

// A save's changes have settled after this long; so have the rows of the editor's cursor.
static const double kSettleSeconds = 0.05;

// Reloads when a file was saved, F5 pressed or the time jumped, and runs the transport keys and
// the editor's requests.
class LiveReload : public ScriptReload {
public:
    LiveReload(const LiveOptions& options, LiveClock& clock, LiveOutput& output)
        : args_(options.script_args), clock_(clock), output_(output),
          transport_(clock, KeyHeld), editor_(options.editor_host, options.editor_port)
    {
        if (!watch_.Open("res"))
            printf("demohost-live: cannot watch res/ for changes; F5 reloads\n");
    }

    void BeforeFrame(ScriptHost& host) override
    {
        // All are read each frame, so that no key misses its press and no save is left over.
        double now = glfwGetTime();
        bool saved = watch_.Settled(now, kSettleSeconds);
        bool asked = transport_.Step();
        bool moved = FollowEditor(now);
        if (saved || asked || moved)
            Reload(host);
        ShowStatus();
    }

private:
    // A good reload delivers the points its tracks have passed before its first update.
    void Reload(ScriptHost& host)
    {
        if (ReloadScript(host, args_)) {
            output_.status.error.clear();
            DeliverMusicEvents(host.State());
        } else {
            output_.status.error = LastScriptError();
        }
    }

    // Carries out what the editor asked and tells it the row played; true when the time moved
    // to the row of its cursor.
    bool FollowEditor(double now)
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
        double seconds = *row_ / sync_tracks.rows_per_second;
        row_.reset();
        return transport_.Jump(seconds - TrackTime());
    }

    // Where the tracks are: the music heard, or the frame time without music.
    double TrackTime() const
    {
        double position = 0, length = 0;
        return MusicPosition(position, length) ? position : clock_.Time();
    }

    // Every track the editor knows, to its file; the program's own writes make no reload.
    void SaveTracks(double now)
    {
        std::vector<std::string> written;
        for (const Track& track : sync_tracks.tracks) {
            std::string path = TrackFilePath(sync_tracks.prefix, track.name);
            WriteTrackFile(path, track.keys);
            written.push_back(path);
            written.push_back(path + ".new");
        }
        watch_.DropOwnWrites(written, now);
        printf("demohost-live: saved %zu tracks\n", sync_tracks.tracks.size());
    }

    void ShowStatus()
    {
        double position = 0, length = 0;
        bool music = MusicPosition(position, length);
        output_.status.paused = clock_.Paused();
        output_.status.editor = editor_.Connected();
        output_.status.length = music ? length : 0;
        output_.status.position = music ? position : clock_.Time();
    }

    const std::vector<std::string>& args_;
    LiveClock& clock_;
    LiveOutput& output_;
    Transport transport_;
    FileWatch watch_;
    EditorLink editor_;
    std::optional<int32_t> row_;  // the editor's last row, not yet jumped to
    double row_came_ = 0;
};

int main(int argc, char** argv)
{
    LiveOptions options;
    std::string error;
    if (!ParseLiveOptions({argv + 1, argv + argc}, options, error)) {
        fprintf(stderr, "demohost-live: %s\n%s\n", error.c_str(), kLiveUsage);
        return 2;
    }
    LiveClock clock(options.start);
    DeviceAudio audio;
    LiveOutput output;
    LiveReload reload(options, clock, output);
    return RunProgram(options.script_args, {clock, audio, output, reload});
}
