// The frame loop that the three programs share: start-up, frames and teardown.

#include "app/frame_loop.h"

#include "app/default_font.h"
#include "app/music_events.h"
#include "app/reload.h"
#include "app/script_host.h"
#include "app/window.h"
#include "audio/music.h"
#include "platform/platform.h"
#include "problems.h"
#include "profile/overlay.h"
#include "profile/profiler.h"
#include "render/pipes.h"
#include "render/render_target.h"
#include "text/font.h"
#include "tracks/tracks.h"

#include <GL/glew.h>

#include <cstdio>

// Reads the music's position once for the frame: the rows of its tracks follow the music heard
// while it plays, when the clock says so, and the frame time otherwise.
static void HoldFramePosition(const FrameClock& clock, double frame_time)
{
    double position = 0, length = 0;
    bool playing = HoldMusicPosition(position, length);
    SetTrackTime(clock.TracksFollowMusic() && playing ? position : frame_time);
}

// The reload the piece asks for; a good one delivers the points its music has passed before its
// first update.
static void ReloadIfAsked(ScriptHost& host, const std::vector<std::string>& args,
                          ScriptReload& reload)
{
    if (!reload.BeforeFrame())
        return;
    uint64_t mark = ProblemMark();
    bool ok = ReloadScript(host, args);
    if (ok) {
        DropProblemsBefore(mark);
        DeliverMusicEvents(host.State());
    }
    reload.Reloaded(ok, ok ? std::string() : LastScriptError());
}

static void DrawFrame(ScriptHost& host, const BitmapFont* default_font, const FrameTime& frame)
{
    glLoadIdentity();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    PROFILE_SITE(lua_update, "LuaUpdate");
    PROFILE_BEGIN(lua_update);
    host.Update(frame.time, frame.dt);
    DeliverMusicEvents(host.State());
    FlushPipes();
    end_zone();

    if (ProfilingOverlayOn())
        DrawProfilingOverlay(default_font);
}

// The graphics driver's shader compiler recurses once per nesting level of an expression, and a
// section of the size the shader reader takes can nest far deeper than the usual 8 MiB of stack
// allow.
static const size_t kStackBytes = 120u << 20;

int RunProgram(const std::vector<std::string>& args, const FramePieces& pieces)
{
    PrepareOutput();
    SetErrorEcho(pieces.reload.CountsRepeatedErrors() ? ErrorEcho::kOnceThenCount
                                                      : ErrorEcho::kEveryTime);
    RaiseStackLimit(kStackBytes);
    // Freed memory stays with the process: the graphics driver allocates and frees large buffers
    // at every draw, and memory handed back to the system after each frame is faulted in again by
    // the next (measured: a third of the time of a frame of 20,000 boxes went to page faults).
    KeepFreedMemory();

    InitWindowLibrary();
    SetWindowOffscreen(!pieces.output.ShowsWindow());
    StartMusicAt(pieces.clock.StartTime());
    SetTrackTime(pieces.clock.StartTime());
    ScriptHost host;
    host.Open();
    pieces.audio.Open();
    host.Start(args);

    // Read after initialize, so that its page textures belong to the window's context.
    FontReader font_reader;
    DefaultFontPaths font_paths = FindDefaultFont(RunningProgramPath());
    std::unique_ptr<BitmapFont> default_font =
        font_reader.ReadFont(font_paths.font.c_str(), font_paths.directory.c_str());
    if (!default_font)
        PrintProblem("Font loading error: %s\n", font_paths.font.c_str());

    bool complete = pieces.output.Begin(default_font.get());
    SetWindowFramebuffer(pieces.output.Framebuffer());
    pieces.clock.Start();
    FrameTime frame;
    while (complete && WindowIsOpen() && !QuitRequested()) {
        ReloadIfAsked(host, args, pieces.reload);
        if (!pieces.clock.Next(frame))
            break;
        HoldFramePosition(pieces.clock, frame.time);
        DrawFrame(host, default_font.get(), frame);
        TickProblems();
        if (!pieces.output.FrameDrawn())
            break;
        {
            PROFILE_SCOPE("SwapBuffers");
            SwapBuffers();
        }
        pieces.audio.FramePlayed();
    }
    complete = complete && pieces.output.Finish();

    // The audio thread stops before anything it could reach goes away.
    pieces.audio.Close();
    default_font.reset();
    EndWindowLibrary();
    host.Close();
    fflush(stdout);
    return complete ? 0 : 1;
}
