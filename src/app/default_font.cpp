// Finds the default font: the working directory's res/font/, else the copy installed with the
// program, found from the program's own location so that a moved prefix still finds it.

#include "app/default_font.h"

#include <filesystem>

namespace fs = std::filesystem;

static const char* kFontFile = "mono-20.fnt";

DefaultFontPaths FindDefaultFont(const std::string& program)
{
    DefaultFontPaths local{std::string("res/font/") + kFontFile, "res/font/"};
    std::error_code ignored;
    if (fs::exists(local.font, ignored) || program.empty())
        return local;
    fs::path installed = fs::path(program).parent_path() / ".." / "share" / "demohost" / "font";
    installed = installed.lexically_normal();
    if (!fs::exists(installed / kFontFile, ignored))
        return local;
    return {(installed / kFontFile).string(), installed.string() + "/"};
}
