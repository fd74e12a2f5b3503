// demohost-profile: reads a log of the script profiler (profiler.start) and prints its functions
// ranked by their own time, with their calls, own and total milliseconds and share.

#include "platform/platform.h"
#include "profile/profile_summary.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

static const char kUsage[] = "usage: demohost-profile LOG [--top N]";

// The whole file; false with errno when it cannot be read.
static bool ReadLog(const char* path, std::string& text)
{
    FILE* file = OpenRegularFile(path);
    if (!file) {
        if (errno == 0)
            errno = EISDIR;
        return false;
    }
    char buffer[1 << 16];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, file)) > 0;)
        text.append(buffer, n);
    bool read = !ferror(file);
    fclose(file);
    return read;
}

// LOG and N from the arguments; false when they are not those.
static bool ParseArguments(int argc, char** argv, const char*& log, size_t& top)
{
    log = nullptr;
    for (int i = 1; i < argc; i++) {
        if (!strcmp(argv[i], "--top") && i + 1 < argc) {
            char* end = nullptr;
            long value = strtol(argv[++i], &end, 10);
            if (*end || value < 1)
                return false;
            top = static_cast<size_t>(value);
        } else if (!log && argv[i][0] != '-') {
            log = argv[i];
        } else {
            return false;
        }
    }
    return log != nullptr;
}

int main(int argc, char** argv)
{
    PrepareOutput();
    const char* log = nullptr;
    size_t top = 20;
    if (!ParseArguments(argc, argv, log, top)) {
        fprintf(stderr, "%s\n", kUsage);
        return 2;
    }
    std::string text;
    if (!ReadLog(log, text)) {
        fprintf(stderr, "demohost-profile: %s cannot be read: %s\n", log, strerror(errno));
        return 1;
    }
    ProfileSummary summary = SummarizeProfile(text);
    if (summary.foreign) {
        fprintf(stderr, "demohost-profile: %s is no script profiler log (line %zu)\n", log,
                summary.problem_line);
        return 1;
    }
    fputs(ProfileReport(summary, log, top).c_str(), stdout);
    return 0;
}
