#pragma once
// Running programs from tests: a program with arguments, environment and working folder, its exit
// code and output, with a time limit; or one started in the background and stopped later.
// Header-only so every test program can use it without a build change. POSIX (fork/exec).
//
//   ProcessRequest, ProcessResult   what to run, what came of it
//   runProcess                   run to the end (or the time limit) and collect
//   BackgroundProcess            start now, wait or kill later (killed at destruction)
//   TempDir                      a fresh folder under $TMPDIR, removed with everything in it
//   readTextFile, waitUntil      small helpers for checking logs while a program runs

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace testsupport {

struct ProcessRequest {
    std::string program;                                    // path of the executable
    std::vector<std::string> args;                          // arguments after argv[0]
    std::string argv0;                                      // argv[0]; empty: the program path
    std::string cwd;                                        // working folder; empty: the test's own
    std::map<std::string, std::optional<std::string>> env;  // set (value) or remove (nullopt)
};

struct ProcessResult {
    int exitCode = -1;        // the exit status, or -1 when killed by a signal or not started
    int signal = 0;           // the signal that ended it, or 0
    bool timedOut = false;    // the time limit ran out and the program was killed
    std::string output;       // everything written to stdout
    std::string errorOutput;  // everything written to stderr
};

inline std::string readTextFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Polls `condition` every `interval` (10 ms unless told) until it holds (true) or `timeout` passes
// (false). Checks that cost the machine something, such as screenshots, take a longer interval, so
// that the program under test keeps the processor.
inline bool waitUntil(const std::function<bool()>& condition,
                      std::chrono::milliseconds timeout = std::chrono::seconds(20),
                      std::chrono::milliseconds interval = std::chrono::milliseconds(10)) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(interval);
    }
    return true;
}

class TempDir {
public:
    explicit TempDir(const char* prefix = "gdtest") {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/" + prefix + "-XXXXXX";
        std::vector<char> buffer(pattern.begin(), pattern.end());
        buffer.push_back('\0');
        if (mkdtemp(buffer.data())) path_ = buffer.data();
    }
    ~TempDir() {
        std::error_code ignored;
        if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

class BackgroundProcess {
public:
    BackgroundProcess() = default;
    ~BackgroundProcess() { kill(); }
    BackgroundProcess(const BackgroundProcess&) = delete;
    BackgroundProcess& operator=(const BackgroundProcess&) = delete;

    // Starts the program; false when it could not be started (no such file, fork failed).
    bool start(const ProcessRequest& request) {
        kill();
        if (!outputs_) outputs_ = std::make_unique<TempDir>("gdproc");
        const std::string outPath = outputs_->file("stdout"), errPath = outputs_->file("stderr");
        // Report an exec failure through a close-on-exec pipe: nothing arrives when exec worked.
        int report[2];
        if (pipe2(report, O_CLOEXEC) != 0) return false;
        std::vector<std::string> argvText;
        argvText.push_back(request.argv0.empty() ? request.program : request.argv0);
        argvText.insert(argvText.end(), request.args.begin(), request.args.end());
        std::vector<char*> argv;
        for (std::string& a : argvText) argv.push_back(a.data());
        argv.push_back(nullptr);
        const pid_t pid = fork();
        if (pid < 0) {
            close(report[0]);
            close(report[1]);
            return false;
        }
        if (pid == 0) {
            setpgid(0, 0);  // its own group, so kill() also ends anything it started
            for (const auto& [name, value] : request.env) {
                if (value)
                    setenv(name.c_str(), value->c_str(), 1);
                else
                    unsetenv(name.c_str());
            }
            const int in = open("/dev/null", O_RDONLY);
            const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            if (in < 0 || out < 0 || err < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0)
                _exit(126);
            if (!request.cwd.empty() && chdir(request.cwd.c_str()) != 0) {
                int code = errno;
                (void)!write(report[1], &code, sizeof code);
                _exit(127);
            }
            execv(request.program.c_str(), argv.data());
            int code = errno;
            (void)!write(report[1], &code, sizeof code);
            _exit(127);
        }
        close(report[1]);
        int code = 0;
        const ssize_t got = read(report[0], &code, sizeof code);
        close(report[0]);
        pid_ = pid;
        if (got > 0) {
            int status = 0;
            waitpid(pid_, &status, 0);
            pid_ = -1;
            return false;
        }
        result_ = ProcessResult{};
        return true;
    }

    bool running() {
        if (pid_ <= 0) return false;
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            record(status);
            return false;
        }
        return true;
    }

    // Waits for the end up to `timeout`; true when it ended (then `result` holds it), false when it
    // still runs.
    bool waitForExit(ProcessResult& result, std::chrono::milliseconds timeout) {
        const bool ended = waitUntil([this] { return !running(); }, timeout);
        if (ended) result = collect();
        return ended;
    }

    // Ends it (and its process group) with SIGKILL and reaps it. Safe when it already ended.
    void kill() {
        if (pid_ <= 0) return;
        ::kill(-pid_, SIGKILL);
        ::kill(pid_, SIGKILL);
        int status = 0;
        if (waitpid(pid_, &status, 0) == pid_) record(status);
        pid_ = -1;
    }

    // Sends a signal without waiting.
    void signal(int number) {
        if (pid_ > 0) ::kill(pid_, number);
    }

    int pid() const { return pid_; }
    std::string output() const { return outputs_ ? readTextFile(outputs_->file("stdout")) : std::string(); }
    std::string errorOutput() const {
        return outputs_ ? readTextFile(outputs_->file("stderr")) : std::string();
    }

    ProcessResult collect() const {
        ProcessResult result = result_;
        result.output = output();
        result.errorOutput = errorOutput();
        return result;
    }

    void markTimedOut() { result_.timedOut = true; }

private:
    void record(int status) {
        if (WIFEXITED(status)) result_.exitCode = WEXITSTATUS(status);
        if (WIFSIGNALED(status)) result_.signal = WTERMSIG(status);
        pid_ = -1;
    }

    pid_t pid_ = -1;
    ProcessResult result_;
    std::unique_ptr<TempDir> outputs_;
};

// Runs the program to its end. After `timeout` it is killed and the result says timedOut.
inline ProcessResult runProcess(const ProcessRequest& request,
                                std::chrono::milliseconds timeout = std::chrono::seconds(60)) {
    BackgroundProcess process;
    ProcessResult result;
    if (!process.start(request)) {
        result.errorOutput = "could not start " + request.program;
        return result;
    }
    if (process.waitForExit(result, timeout)) return result;
    process.markTimedOut();
    process.kill();
    return process.collect();
}

// The whole output of a shell command line (stdout only), or "" when it cannot run.
inline std::string commandOutput(const std::string& command) {
    ProcessRequest request;
    request.program = "/bin/sh";
    request.args = {"-c", command};
    return runProcess(request, std::chrono::seconds(30)).output;
}

}  // namespace testsupport
