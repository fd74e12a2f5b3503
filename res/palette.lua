-- Colours of the demo: a hue wheel.
local palette = {}

-- The colour at `hue` (0..1 around the wheel), fully saturated, as r, g, b.
function palette.hue(hue)
    hue = (hue % 1) * 6
    local x = 1 - math.abs(hue % 2 - 1)
    if hue < 1 then return 1, x, 0
    elseif hue < 2 then return x, 1, 0
    elseif hue < 3 then return 0, 1, x
    elseif hue < 4 then return 0, x, 1
    elseif hue < 5 then return x, 0, 1
    else return 1, 0, x end
end

return palette
