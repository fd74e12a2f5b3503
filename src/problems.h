// What went wrong lately, for demohost-live's panel and terminal: script errors with their
// traceback and how often each repeated, shader compiler messages, failed loads. The engine's
// messages are printed where they arise as before; a script error is printed here, every time or
// once with a count a second, as the program chose. State: the latest problems, in problems.cpp.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct Problem {
    std::string text;       // the message, as printed
    std::string traceback;  // file:line per level, one a line; script errors only
    int count = 1;          // how often it came
    bool repeats = false;   // a script error, which goes once it stops coming
    double last_seen = 0;   // seconds on the steady clock
    uint64_t order = 0;     // when it first came among all problems
};

// How script errors reach the terminal: "Error: TEXT" each time (demohost), or once with its
// traceback and then "Error: TEXT (repeated N times)" at most once a second while it repeats.
enum class ErrorEcho { kEveryTime, kOnceThenCount };
void SetErrorEcho(ErrorEcho echo);
// Whether script errors are to carry a traceback (the panel's): only when counted.
bool ErrorsWantTraceback();

// A script error `text` with its `traceback`; printed as the echo says.
void ReportScriptProblem(const std::string& text, const std::string& traceback);
// Any other problem, already printed where it came: kept for the panel only while a panel asks
// (ErrorsWantTraceback), so that the other programs keep nothing.
void NoteProblem(const std::string& text);
// Prints a problem as printf does and notes it (without its line break).
void PrintProblem(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Once a frame: prints the counts due and lets go of script errors a second without them.
void TickProblems();
// The problems that stand, oldest first (at most kMaxProblems).
const std::vector<Problem>& CurrentProblems();
const size_t kMaxProblems = 4;
// A mark before a reload: on success, the problems that came before it go.
uint64_t ProblemMark();
void DropProblemsBefore(uint64_t mark);
