-- The demo's four scenes, one per section of the music, and the spectrum bars under all of them.
-- Each scene draws into the render target; `state` holds what the music and the input set.
local palette = require("palette")

local scenes = {}
local WIDTH, HEIGHT = 800, 600

-- 48 bars over the spectrum, each the loudest of four bins, spread further apart towards the
-- high frequencies; lines join the bar tops.
function scenes.spectrum(state)
    local spectrum = GetSpectrum()
    local bars, width = 48, WIDTH / 48
    local previous_x, previous_y
    SetAdditiveBlend(true)
    for bar = 1, bars do
        local first = math.floor((bar - 1) ^ 1.6) + 2
        local level = 0
        for k = first, first + 3 do level = math.max(level, spectrum[k] or 0) end
        local height = math.min(HEIGHT * 0.45, math.sqrt(level) * HEIGHT * 0.8)
        local x = (bar - 0.5) * width
        local r, g, b = palette.hue(bar / bars + state.time * 0.05)
        DrawBoxWithColor(x, HEIGHT - height / 2, width * 0.8, height, 0, 0, r, g, b, 0.6)
        local y = HEIGHT - height
        if previous_x then
            DrawLine(previous_x, previous_y, x, y, 2, 1, 1, 1, 0.8, r, g, b, 0.8)
        end
        previous_x, previous_y = x, y
    end
    SetAdditiveBlend(false)
end

-- A ring of turning coloured boxes around the centre.
function scenes.intro(state)
    local count = 24
    for i = 1, count do
        local angle = i / count * 2 * math.pi + state.time * 0.5
        local radius = 150 + 30 * state.pulse
        local r, g, b = palette.hue(i / count)
        DrawBoxWithColor(WIDTH / 2 + math.cos(angle) * radius, HEIGHT / 2 + math.sin(angle) * radius,
                         40, 14, math.deg(angle) + state.time * 90, 0, r, g, b, 1)
    end
end

-- Bars that grow and shrink about the middle, and upright lines that sway harder on the beat.
function scenes.verse(state)
    for i = 0, 16 do
        local x = i * WIDTH / 16
        local sway = math.sin(state.time * 2 + i) * 20 * (1 + state.pulse)
        DrawLine(x, 0, x + sway, HEIGHT, 1, 0.2, 0.6, 1, 0.5, 0.8, 0.2, 1, 0.1)
    end
    for i = 1, 12 do
        local x = i * WIDTH / 13
        local height = 120 + 80 * math.sin(state.time * 3 + i * 0.7)
        DrawBoxWithColor(x, HEIGHT / 2, 30, height, 0, 0, 0.2, 0.5 + i / 30, 1, 0.9)
    end
end

-- A spiral of glowing textured stars.
function scenes.chorus(state)
    SetAdditiveBlend(true)
    for i = 1, 90 do
        local angle = i * 0.35 + state.time
        local radius = i * 3.2
        local size = 20 + 30 * state.pulse + i * 0.2
        local r, g, b = palette.hue(i / 90 + state.time * 0.1)
        DrawBoxWithColor(WIDTH / 2 + math.cos(angle) * radius, HEIGHT / 2 + math.sin(angle) * radius,
                         size, size, state.time * 60 + i * 4, state.star, r, g, b, 0.8)
    end
    SetAdditiveBlend(false)
end

-- A tunnel of turning squares drawn with lines.
function scenes.outro(state)
    for ring = 1, 14 do
        local depth = (ring + state.time * 2) % 14 + 1
        local half = depth * depth * 2.2
        local angle = state.time * 0.4 + depth * 0.15
        local c, s = math.cos(angle), math.sin(angle)
        local corners = {}
        for k, p in ipairs({{-1, -1}, {1, -1}, {1, 1}, {-1, 1}}) do
            corners[k] = {WIDTH / 2 + (p[1] * c - p[2] * s) * half,
                          HEIGHT / 2 + (p[1] * s + p[2] * c) * half}
        end
        local fade = depth / 14
        for k = 1, 4 do
            local a, b = corners[k], corners[k % 4 + 1]
            DrawLine(a[1], a[2], b[1], b[2], 2, 0.4, 0.8, 1, fade, 1, 0.4, 0.8, fade)
        end
    end
end

return scenes
