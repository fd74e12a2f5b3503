// Finds the default font: the working directory's res/font/, else the source tree's for a program
// run from its build folder, else the copy installed with the program, found from the program's
// own location so that a moved prefix still finds it.

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
#if defined(DEMOHOST_BUILD_DIR) && defined(DEMOHOST_SOURCE_FONT_DIR)
    // Only the build folder's own programs: an installed or packed copy never reads the sources.
    if (fs::equivalent(fs::path(program).parent_path(), DEMOHOST_BUILD_DIR, ignored) &&
        fs::exists(fs::path(DEMOHOST_SOURCE_FONT_DIR) / kFontFile, ignored))
        return {(fs::path(DEMOHOST_SOURCE_FONT_DIR) / kFontFile).string(),
                std::string(DEMOHOST_SOURCE_FONT_DIR) + "/"};
#endif
    fs::path installed = fs::path(program).parent_path() / ".." / "share" / "demohost" / "font";
    installed = installed.lexically_normal();
    if (!fs::exists(installed / kFontFile, ignored))
        return local;
    return {(installed / kFontFile).string(), installed.string() + "/"};
}
