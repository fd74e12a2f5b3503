// The latest problems and how script errors are echoed to the terminal.

#include "problems.h"

#include "platform/platform.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

// A repeated error is counted on the terminal, and leaves the panel, after this long.
static const double kRepeatSeconds = 1.0;

static struct {
    ErrorEcho echo = ErrorEcho::kEveryTime;
    std::vector<Problem> standing;
    uint64_t next_order = 0;
    // The counted error: repeats not yet printed, and when its last line was printed.
    std::string counted;
    int unprinted = 0;
    double printed_at = 0;
} problems;

static double Now()
{
    return static_cast<double>(MonotonicNanoseconds()) * 1e-9;
}

void SetErrorEcho(ErrorEcho echo)
{
    problems.echo = echo;
}

bool ErrorsWantTraceback()
{
    return problems.echo == ErrorEcho::kOnceThenCount;
}

// The problem `text` came again, or for the first time (the oldest giving way).
static Problem& Keep(const std::string& text, bool repeats)
{
    double now = Now();
    auto found = std::find_if(problems.standing.begin(), problems.standing.end(),
                              [&](const Problem& p) { return p.text == text; });
    if (found != problems.standing.end()) {
        found->count++;
        found->last_seen = now;
        return *found;
    }
    if (problems.standing.size() == kMaxProblems)
        problems.standing.erase(problems.standing.begin());
    problems.standing.push_back({text, "", 1, repeats, now, problems.next_order++});
    return problems.standing.back();
}

static void PrintCount()
{
    if (problems.unprinted > 0)
        printf("Error: %s (repeated %d time%s)\n", problems.counted.c_str(), problems.unprinted,
               problems.unprinted == 1 ? "" : "s");
    problems.unprinted = 0;
    problems.printed_at = Now();
}

void ReportScriptProblem(const std::string& text, const std::string& traceback)
{
    if (problems.echo == ErrorEcho::kEveryTime) {
        printf("Error: %s\n", text.c_str());
        return;
    }
    Keep(text, true).traceback = traceback;
    if (text == problems.counted) {
        problems.unprinted++;
        return;
    }
    PrintCount();
    problems.counted = text;
    printf("Error: %s\n%s", text.c_str(), traceback.c_str());
}

void NoteProblem(const std::string& text)
{
    if (problems.echo == ErrorEcho::kOnceThenCount)
        Keep(text, false);
}

void PrintProblem(const char* format, ...)
{
    char text[2048];
    va_list arguments;
    va_start(arguments, format);
    vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    fputs(text, stdout);
    std::string noted = text;
    if (!noted.empty() && noted.back() == '\n')
        noted.pop_back();
    NoteProblem(noted);
}

void TickProblems()
{
    double now = Now();
    if (problems.unprinted > 0 && now - problems.printed_at >= kRepeatSeconds)
        PrintCount();
    auto gone = [&](const Problem& p) { return p.repeats && now - p.last_seen >= kRepeatSeconds; };
    problems.standing.erase(
        std::remove_if(problems.standing.begin(), problems.standing.end(), gone),
        problems.standing.end());
    // An error that stopped is told afresh when it comes back.
    if (problems.unprinted == 0 && now - problems.printed_at >= kRepeatSeconds)
        problems.counted.clear();
}

const std::vector<Problem>& CurrentProblems()
{
    return problems.standing;
}

uint64_t ProblemMark()
{
    return problems.next_order;
}

void DropProblemsBefore(uint64_t mark)
{
    problems.standing.erase(std::remove_if(problems.standing.begin(), problems.standing.end(),
                                           [&](const Problem& p) { return p.order < mark; }),
                            problems.standing.end());
}
