// Where the programs read their default font: the script folder's res/font/ first, as a demo in
// development has it, else the source tree's for the build folder's programs, else the copy
// installed beside the program (PREFIX/share/demohost/font/).
#pragma once

#include <string>

struct DefaultFontPaths {
    std::string font;       // the .fnt file
    std::string directory;  // where its page images are, ending in '/'
};

// The font in res/font/ of the working directory when it is there; otherwise, when `program` (the
// running program's path) is in the build folder, the source tree's; otherwise the installed copy
// found from `program` when that is there; otherwise res/font/ again, so that the error names the
// path a script author knows.
DefaultFontPaths FindDefaultFont(const std::string& program);
