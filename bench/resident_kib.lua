-- Resident memory of the running program in KiB, for the benchmark scripts:
-- local resident_kib = dofile("res/resident_kib.lua")
return function()
  for line in io.lines("/proc/self/status") do
    local kib = line:match("^VmRSS:%s+(%d+)")
    if kib then return tonumber(kib) end
  end
end
