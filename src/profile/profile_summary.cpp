// Reading the script profiler's log back: its records parsed, summed per function and ranked.

#include "profile/profile_summary.h"

#include "profile/script_profiler.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <unordered_map>

// One line of the log: a function's return.
struct LogRecord {
    size_t level;
    size_t function;  // index into the summary's functions
    double self_seconds;
    double total_seconds;
};

// A whole field as a number; false when it is none.
template <typename Number>
static bool ReadNumber(std::string_view field, Number& value)
{
    auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
    return error == std::errc() && end == field.data() + field.size() && !field.empty();
}

// The seven tab-separated fields of a record; false when the line has another shape.
static bool SplitFields(std::string_view line, std::string_view (&fields)[7])
{
    for (int i = 0; i < 7; i++) {
        size_t tab = line.find('\t');
        if ((tab == std::string_view::npos) != (i == 6))
            return false;
        fields[i] = line.substr(0, tab);
        line.remove_prefix(tab == std::string_view::npos ? line.size() : tab + 1);
    }
    return true;
}

// Parses a record, adding its function to `summary` when new; false when the line is none.
static bool ReadRecord(std::string_view line, ProfileSummary& summary,
                       std::unordered_map<std::string, size_t>& index, LogRecord& record)
{
    std::string_view fields[7];
    int line_defined = 0, current_line = 0;
    if (!SplitFields(line, fields) || !ReadNumber(fields[0], record.level) ||
        !ReadNumber(fields[3], line_defined) || !ReadNumber(fields[4], current_line) ||
        !ReadNumber(fields[5], record.self_seconds) || !ReadNumber(fields[6], record.total_seconds))
        return false;
    std::string key = std::string(fields[1]) + '\t' + std::string(fields[2]) + '\t' +
                      std::string(fields[3]);
    auto [found, added] = index.emplace(std::move(key), summary.functions.size());
    if (added)
        summary.functions.push_back({std::string(fields[1]), std::string(fields[2]), line_defined});
    record.function = found->second;
    return true;
}

// Sums the records up. Read from the last, a record's callers come before it: those open at the
// levels below its own. A header between runs starts the callers afresh.
static void SumRecords(const std::vector<LogRecord>& records, ProfileSummary& summary)
{
    std::vector<size_t> callers;
    for (auto it = records.rbegin(); it != records.rend(); ++it) {
        if (it->level == SIZE_MAX) {
            callers.clear();
            continue;
        }
        FunctionSummary& function = summary.functions[it->function];
        callers.resize(std::min(callers.size(), it->level));
        bool inside_itself =
            std::find(callers.begin(), callers.end(), it->function) != callers.end();
        function.calls++;
        function.self_seconds += it->self_seconds;
        if (!inside_itself)
            function.total_seconds += it->total_seconds;
        summary.calls++;
        summary.self_seconds += it->self_seconds;
        // A level no record filled (a run started inside a call) holds no function.
        callers.resize(it->level, SIZE_MAX);
        callers.push_back(it->function);
    }
}

ProfileSummary SummarizeProfile(std::string_view log)
{
    ProfileSummary summary;
    std::unordered_map<std::string, size_t> index;
    std::vector<LogRecord> records;
    size_t number = 0;
    while (!log.empty()) {
        number++;
        size_t end = log.find('\n');
        if (end == std::string_view::npos) {
            summary.cut_off = true;
            summary.problem_line = number;
            break;
        }
        std::string_view line = log.substr(0, end);
        log.remove_prefix(end + 1);
        LogRecord record;
        if (line == kProfilerLogHeader)
            records.push_back({SIZE_MAX, 0, 0, 0});
        else if (number == 1 || !ReadRecord(line, summary, index, record))
            return {{}, 0, 0, true, false, number};
        else
            records.push_back(record);
    }
    if (number == 0 || (number == 1 && summary.cut_off))
        return {{}, 0, 0, true, false, 1};
    SumRecords(records, summary);
    std::stable_sort(summary.functions.begin(), summary.functions.end(),
                     [](const FunctionSummary& a, const FunctionSummary& b) {
                         return a.self_seconds > b.self_seconds;
                     });
    return summary;
}

std::string ProfileReport(const ProfileSummary& summary, const std::string& name, size_t top)
{
    char line[512];
    std::string report;
    if (summary.cut_off) {
        snprintf(line, sizeof line,
                 "%s is cut off in line %zu: the lines before it are summed up\n", name.c_str(),
                 summary.problem_line);
        report += line;
    }
    snprintf(line, sizeof line, "%s: %zu calls of %zu functions, %.3f ms of their own time\n",
             name.c_str(), summary.calls, summary.functions.size(), summary.self_seconds * 1000);
    report += line;
    report += "     calls     self ms    total ms   share  function\n";
    for (size_t i = 0; i < summary.functions.size() && i < top; i++) {
        const FunctionSummary& f = summary.functions[i];
        double share = summary.self_seconds > 0 ? f.self_seconds / summary.self_seconds : 0;
        snprintf(line, sizeof line, "%10zu %11.3f %11.3f %6.1f%%  %s (%s:%d)\n", f.calls,
                 f.self_seconds * 1000, f.total_seconds * 1000, share * 100,
                 f.function_name.c_str(), f.file_defined.c_str(), f.line_defined);
        report += line;
    }
    return report;
}
