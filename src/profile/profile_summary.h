// The script profiler's log summed up per function: calls, self and total time, ranked by self
// time, for demohost-profile. State: none; a summary is the caller's.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

struct FunctionSummary {
    std::string file_defined;
    std::string function_name;
    int line_defined = 0;
    size_t calls = 0;
    double self_seconds = 0;
    // Outermost calls only, so that a recursive function's time is not counted once per level.
    double total_seconds = 0;
};

struct ProfileSummary {
    std::vector<FunctionSummary> functions;  // by self time, the largest first
    size_t calls = 0;
    double self_seconds = 0;  // of every function: the share's whole
    // A log is foreign when it does not start with the profiler's header or holds a line that is
    // none of its lines; cut off when its last line ends early (a run that crashed or is still
    // running). `problem_line` is the line concerned, from 1.
    bool foreign = false;
    bool cut_off = false;
    size_t problem_line = 0;
};

// Sums up the log's text. A foreign log gives no functions; a cut-off one the lines before the cut.
ProfileSummary SummarizeProfile(std::string_view log);
// The summary as demohost-profile prints it: a line on the whole, then the first `top` functions
// with calls, self and total milliseconds and the share of self time.
std::string ProfileReport(const ProfileSummary& summary, const std::string& name, size_t top);
