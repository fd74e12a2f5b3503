// The script profiler's log: its file's name made from the script's pattern and a fresh part,
// and its header line. State: none.

#include "profile/script_profiler_internal.h"

#include "platform/platform.h"
#include "profile/script_profiler.h"

std::string ProfilerLogName(const std::string& pattern, const std::string& part)
{
    std::string name;
    bool replaced = false;
    for (size_t i = 0; i < pattern.size(); i++) {
        if (pattern[i] == '%' && i + 1 < pattern.size()) {
            if (pattern[i + 1] == 's' && !replaced) {
                name += part;
                replaced = true;
                i++;
                continue;
            }
            if (pattern[i + 1] == '%') {
                name += '%';
                i++;
                continue;
            }
        }
        name += pattern[i];
    }
    return name;
}

FILE* OpenProfilerLog(const char* pattern)
{
    std::string name = ProfilerLogName(pattern ? pattern : "scriptprof_%s.out", FreshName());
    FILE* file = fopen(name.c_str(), "a");
    if (!file)
        return nullptr;
    fprintf(file, "%s\n", kProfilerLogHeader);
    fflush(file);
    return file;
}
