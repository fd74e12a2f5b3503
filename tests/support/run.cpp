// Runs the demohost program on a small script in a temporary directory and collects its output.

#include "support/run.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

ScriptDir::ScriptDir()
{
    std::string pattern = (fs::temp_directory_path() / "demohost-XXXXXX").string();
    path_ = mkdtemp(pattern.data());
    // Every run reads the default overlay font at start-up, as it does from the repository.
    fs::create_directories(fs::path(path_) / "res");
    fs::copy(fs::path(DEMOHOST_SOURCE_DIR) / "res" / "font", fs::path(path_) / "res" / "font",
             fs::copy_options::recursive);
}

ScriptDir::~ScriptDir()
{
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

void ScriptDir::Write(const std::string& relative, const std::string& text) const
{
    fs::path file = fs::path(path_) / relative;
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << text;
}

void ScriptDir::CopyRepositoryRes() const
{
    fs::copy(fs::path(DEMOHOST_SOURCE_DIR) / "res", fs::path(path_) / "res",
             fs::copy_options::recursive | fs::copy_options::overwrite_existing);
}

// In a forked child: runs `program` with `args` in `dir`, or ends the child with status 127.
[[noreturn]] static void ExecIn(const char* program, const ScriptDir& dir,
                                const std::vector<std::string>& args)
{
    if (chdir(dir.Path().c_str()) != 0)
        _exit(127);
    // Sanitized runs: the graphics stack leaks at exit from libraries that are unloaded by then,
    // so the program's leak report cannot be filtered and is only shown.
    if (const char* options = getenv("DEMOHOST_CHILD_LSAN_OPTIONS"))
        setenv("LSAN_OPTIONS", options, 1);
    std::vector<char*> argv{const_cast<char*>(program)};
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(program, argv.data());
    _exit(127);
}

// Runs `program` in `dir`; standard error goes to `err_path` when one is given.
static RunResult Run(const char* program, const ScriptDir& dir, const std::vector<std::string>& args,
                     double timeout_seconds, const std::string& err_path)
{
    int out[2];
    if (pipe(out) != 0)
        return {};
    pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        close(out[1]);
        if (!err_path.empty()) {
            int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            dup2(err, STDERR_FILENO);
            close(err);
        }
        ExecIn(program, dir, args);
    }
    close(out[1]);

    RunResult result;
    int status = 0;
    bool reaped = false;
    auto deadline = std::chrono::steady_clock::now() +
                    std::chrono::duration<double>(timeout_seconds);
    char buffer[4096];
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd p{out[0], POLLIN, 0};
        if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0) {
            kill(pid, SIGTERM);
            for (int i = 0; i < 200 && !reaped; i++) {
                reaped = waitpid(pid, &status, WNOHANG) == pid;
                usleep(10000);
            }
            if (!reaped)
                kill(pid, SIGKILL);
            break;
        }
        ssize_t n = read(out[0], buffer, sizeof buffer);
        if (n <= 0)
            break;
        result.out.append(buffer, static_cast<size_t>(n));
    }
    close(out[0]);
    if (!reaped)
        waitpid(pid, &status, 0);
    result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    return result;
}

RunResult RunDemohost(const ScriptDir& dir, const std::vector<std::string>& args,
                      double timeout_seconds)
{
    return Run(DEMOHOST_PATH, dir, args, timeout_seconds, "");
}

std::string ReadWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string CommandOutput(const std::string& command)
{
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    char buffer[4096];
    for (size_t n; pipe && (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        out.append(buffer, n);
    if (pipe)
        pclose(pipe);
    return out;
}

size_t Count(const std::string& out, const std::string& text)
{
    size_t count = 0;
    for (size_t at = out.find(text); at != std::string::npos; at = out.find(text, at + 1))
        count++;
    return count;
}

std::vector<std::string> Lines(const std::string& out, const std::string& prefix)
{
    std::vector<std::string> found;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);)
        if (line.rfind(prefix, 0) == 0)
            found.push_back(line.substr(prefix.size()));
    return found;
}

RunResult RunProgramIn(const std::string& program, const ScriptDir& dir,
                       const std::vector<std::string>& args, double timeout_seconds)
{
    // Outside the script's folder, which the tests list.
    std::string err_path = dir.Path() + ".stderr";
    RunResult result = Run(program.c_str(), dir, args, timeout_seconds, err_path);
    result.err = ReadWholeFile(err_path);
    fs::remove(err_path);
    return result;
}

RunResult RunCapture(const ScriptDir& dir, const std::vector<std::string>& args,
                     double timeout_seconds)
{
    return RunProgramIn(CAPTURE_PATH, dir, args, timeout_seconds);
}

BackgroundRun::BackgroundRun(const char* program, const ScriptDir& dir,
                             const std::vector<std::string>& args)
    : out_path_(dir.Path() + ".stdout")
{
    pid_ = fork();
    if (pid_ == 0) {
        int out = open(out_path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(out, STDOUT_FILENO);
        close(out);
        ExecIn(program, dir, args);
    }
}

BackgroundRun::~BackgroundRun()
{
    Stop();
    std::error_code ignored;
    fs::remove(out_path_, ignored);
}

std::string BackgroundRun::Output() const
{
    return ReadWholeFile(out_path_);
}

bool BackgroundRun::WaitFor(const std::string& text, double seconds, int count) const
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < deadline) {
        if (Count(Output(), text) >= static_cast<size_t>(count))
            return true;
        usleep(5000);
    }
    return false;
}

int BackgroundRun::WaitForExit(double seconds)
{
    int status = 0;
    for (int i = 0; i < seconds * 100; i++) {
        if (pid_ > 0 && waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        usleep(10000);
    }
    Stop();
    return -1;
}

void BackgroundRun::Stop()
{
    if (pid_ <= 0)
        return;
    kill(pid_, SIGTERM);
    int status = 0;
    bool reaped = false;
    for (int i = 0; i < 200 && !reaped; i++) {
        reaped = waitpid(pid_, &status, WNOHANG) == pid_;
        if (!reaped)
            usleep(10000);
    }
    if (!reaped) {
        kill(pid_, SIGKILL);
        waitpid(pid_, &status, 0);
    }
    pid_ = -1;
}
