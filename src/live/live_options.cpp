// The command line of demohost-live.

#include "live/live_options.h"

#include <cstddef>
#include <cstdlib>

// A number of seconds at or after 0, the whole text.
static bool ReadSeconds(const std::string& text, double& seconds)
{
    char* end = nullptr;
    seconds = strtod(text.c_str(), &end);
    return end != text.c_str() && *end == '\0' && seconds >= 0;
}

bool ParseLiveOptions(const std::vector<std::string>& args, LiveOptions& options,
                      std::string& error)
{
    for (size_t i = 0; i < args.size(); i++) {
        if (args[i] == "--") {
            options.script_args.assign(args.begin() + static_cast<ptrdiff_t>(i) + 1, args.end());
            return true;
        }
        if (args[i] == "--at" && i + 1 < args.size() && ReadSeconds(args[i + 1], options.start)) {
            i++;
            continue;
        }
        error = "bad argument '" + args[i] + "'";
        return false;
    }
    return true;
}
