// Runs the demohost program on a small script in a temporary directory and collects its output.
#pragma once

#include <string>
#include <vector>

struct RunResult {
    std::string out;   // standard output
    int exit_code = -1;  // -1 when killed or crashed
};

// A temporary directory with res/ and a copy of the default font, removed when the object goes.
class ScriptDir {
public:
    ScriptDir();
    ~ScriptDir();
    // Writes `text` to `relative` below the directory, creating parent folders.
    void Write(const std::string& relative, const std::string& text) const;
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

// Runs demohost in `dir` with `args`; kills it after `timeout_seconds`.
RunResult RunDemohost(const ScriptDir& dir, const std::vector<std::string>& args = {},
                      double timeout_seconds = 30);
