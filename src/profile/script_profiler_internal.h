// The script profiler's parts as its files share them: the run with its hook and clock
// (script_profiler_hook.cpp) and the log's naming (script_profiler_log.cpp).
#pragma once

#include <lua.hpp>

#include <cstdio>
#include <string>

// The hook that records every call on the script's call stack.
void ScriptProfilerHook(lua_State* L, lua_Debug* ar);
// Calibrates on `L`, sets the hook and opens the run's first frame; records go to `log`.
void StartRun(lua_State* L, FILE* log);
// Writes every open frame, closes the log and forgets the run; false when none was running.
bool FinishRun();
// Whether the run profiles `L`.
bool RunsOn(lua_State* L);
// Writes every open frame and keeps the run (before the process exits).
void WriteOpenFrames();
// The run's clock stands still from pause to resume.
void PauseRun();
void ResumeRun();

// The pattern with its first "%s" replaced by `part` and "%%" read as "%"; every other
// character, other conversions included, is taken as it stands, however long the name grows.
std::string ProfilerLogName(const std::string& pattern, const std::string& part);
// Opens the log named from `pattern` (null: "scriptprof_%s.out") with a fresh part, for
// appending, and writes the header line; null when it cannot be opened.
FILE* OpenProfilerLog(const char* pattern);
