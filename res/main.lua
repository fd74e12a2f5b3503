-- The bundled demo: four scenes that follow the music's sections, a spectrum under them, a glow
-- pass over the picture, and text on top. Keys: P profile, V volume, Q quit; the star follows the
-- mouse and turns faster while the left button is held.
local scenes = require("scenes")
local palette = require("palette")

local state = {time = 0, pulse = 0, scene = "intro", loops = 0, star = 0}
local fonts = {}
local target, glow
local mouse_angle = 0
local volumes, volume = {1, 0.5, 0.15}, 1
local profiling = false
local held = {}

local CREDITS = "demohost draws boxes, lines, images and text from a Lua script, renders them " ..
    "into off-screen targets, runs them through shaders and keeps it all in time with the music."

-- True once per press of `key`.
local function pressed(key)
    local down = GetKey(key)
    local first = down and not held[key]
    held[key] = down
    return first
end

-- Section names at the start of each eight seconds, and a "beat" every half second.
local function sync_points()
    local points = {0, "intro", 8, "verse", 16, "chorus", 24, "outro"}
    for beat = 0, 63 do
        points[#points + 1] = beat * 0.5
        points[#points + 1] = "beat"
    end
    return points
end

function initialize(args)
    OpenWindow(800, 600, "demohost demo")
    state.star = LoadImage("res/images/star.png")
    fonts.title = LoadFont("res/font/title-40.fnt", "res/font/")
    fonts.mono = LoadFont("res/font/mono-20.fnt", "res/font/")
    target = MakeRenderTarget(800, 600, 1)
    glow = LoadShader("res/shaders/glow.shader")
    local artist, title = PlayMusicWithSync("res/music/four-chords.wav", sync_points())
    print("Now playing: " .. tostring(artist) .. " - " .. tostring(title))
end

function MusicSync(name)
    if name == "beat" then
        state.pulse = 1
    else
        state.scene = name
    end
end

function MusicEnd()
    state.loops = state.loops + 1
end

local function handle_input(dt)
    if pressed("q") then Quit() end
    if pressed("p") then
        profiling = not profiling
        ShowProfiling(profiling)
    end
    if pressed("v") then
        volume = volume % #volumes + 1
        SetVolume(volumes[volume])
    end
    local x, y, left = GetMouse()
    mouse_angle = mouse_angle + dt * (left and 720 or 45)
    return x, y
end

local function draw_text()
    local r, g, b = palette.hue(state.time * 0.1)
    DrawText(fonts.title, "demohost", 400, 40, -1, true, r, g, b, 1)
    DrawText(fonts.mono, state.scene .. "   loop " .. (state.loops + 1), 400, 100, -1, true,
             1, 1, 1, 0.8)
    if state.scene == "outro" then
        DrawText(fonts.mono, CREDITS, 400, 200, 520, true, 1, 1, 1, 1)
    end
    DrawText(fonts.mono, "P profile   V volume   Q quit   mouse moves the star", 400, 565, -1,
             true, 0.7, 0.7, 0.7, 1)
end

function update(time, dt)
    state.time = time
    local mouse_x, mouse_y = handle_input(dt)

    BindRenderTarget(target, 0)
    scenes[state.scene](state)
    scenes.spectrum(state)
    DrawBox(mouse_x, mouse_y, 64 + 32 * state.pulse, 64 + 32 * state.pulse, mouse_angle, state.star)
    UnbindRenderTarget()

    SetShader(glow)
    SetShaderParami(glow, "scene", 0)
    SetShaderParamf(glow, "pulse", state.pulse)
    DrawRenderTarget(target, 0)
    SetShader(0)

    draw_text()
    state.pulse = math.max(0, state.pulse - dt * 4)
end
