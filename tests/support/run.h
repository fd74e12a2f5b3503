// Runs the demohost program on a small script in a temporary directory and collects its output.
#pragma once

#include <string>
#include <vector>

struct RunResult {
    std::string out;     // standard output
    std::string err;     // standard error, when the run was asked to keep it
    int exit_code = -1;  // -1 when killed or crashed
    int signal = 0;      // the signal that ended it, if one did
};

// A temporary directory with res/ and a copy of the default font, removed when the object goes.
class ScriptDir {
public:
    ScriptDir();
    ~ScriptDir();
    // Writes `text` to `relative` below the directory, creating parent folders.
    void Write(const std::string& relative, const std::string& text) const;
    // Copies the repository's whole res/ folder in: the demo, its modules and media.
    void CopyRepositoryRes() const;
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

// Runs demohost in `dir` with `args`; after `timeout_seconds` sends SIGTERM, and SIGKILL when that
// has not ended it within two seconds.
RunResult RunDemohost(const ScriptDir& dir, const std::vector<std::string>& args = {},
                      double timeout_seconds = 30);
// The whole content of a file; empty when it cannot be read.
std::string ReadWholeFile(const std::string& path);
// What a shell command prints on standard output.
std::string CommandOutput(const std::string& command);
// How often `text` stands in `out`.
size_t Count(const std::string& out, const std::string& text);
// The lines of `out` that start with `prefix`, without it.
std::vector<std::string> Lines(const std::string& out, const std::string& prefix);
// Runs demohost-capture the same way, keeping its standard error too.
RunResult RunCapture(const ScriptDir& dir, const std::vector<std::string>& args,
                     double timeout_seconds = 60);
// Runs any program in `dir` the same way, keeping its standard error too.
RunResult RunProgramIn(const std::string& program, const ScriptDir& dir,
                       const std::vector<std::string>& args, double timeout_seconds = 60);

// A program running in the background in a script directory (demohost-live), its standard
// output collected in a file outside the directory until it is stopped.
class BackgroundRun {
public:
    BackgroundRun(const char* program, const ScriptDir& dir, const std::vector<std::string>& args);
    ~BackgroundRun();
    // Everything printed so far.
    std::string Output() const;
    // Waits until the output holds `text` `count` times, at most `seconds`; whether it came.
    bool WaitFor(const std::string& text, double seconds, int count = 1) const;
    // Ends the program (SIGTERM, then SIGKILL after two seconds); the output stays readable.
    void Stop();
    // Waits at most `seconds` for the program to end by itself; its exit status, or -1 when it
    // did not end (it is stopped then) or ended by a signal.
    int WaitForExit(double seconds);
    // The process, which is the program's own even when a launcher started it with exec.
    int Pid() const { return pid_; }

private:
    int pid_ = -1;
    std::string out_path_;
};
