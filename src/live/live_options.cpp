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

// HOST:PORT, the host in brackets when it is an IPv6 address; a port of 1 to 65535.
static bool ReadAddress(const std::string& text, std::string& host, std::string& port)
{
    size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0)
        return false;
    host = text.substr(0, colon);
    port = text.substr(colon + 1);
    if (host.size() > 2 && host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);
    char* end = nullptr;
    long number = strtol(port.c_str(), &end, 10);
    return !port.empty() && *end == '\0' && port[0] != '-' && port[0] != '+' && number >= 1 &&
           number <= 65535;
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
        if (args[i] == "--editor" && i + 1 < args.size() &&
            ReadAddress(args[i + 1], options.editor_host, options.editor_port)) {
            i++;
            continue;
        }
        error = "bad argument '" + args[i] + "'";
        return false;
    }
    return true;
}
