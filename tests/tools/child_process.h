#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

extern char** environ;

// A program started for a test, its stdout and stderr on pipes. It is always
// killed and reaped when the object goes, so a failing test leaves nothing
// running.
class TChildProcess {
public:
    TChildProcess() = default;
    ~TChildProcess()
    {
        if (Pid > 0) {
            ::kill(Pid, SIGKILL);
            ::waitpid(Pid, nullptr, 0);
        }
        CloseFd(OutFd);
        CloseFd(ErrFd);
    }
    TChildProcess(const TChildProcess&) = delete;
    TChildProcess& operator=(const TChildProcess&) = delete;

    bool Start(const std::vector<std::string>& args)
    {
        int out[2];
        int err[2];
        if (::pipe2(out, O_CLOEXEC) != 0)
            return false;
        if (::pipe2(err, O_CLOEXEC) != 0) {
            ::close(out[0]);
            ::close(out[1]);
            return false;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        std::vector<char*> argv;
        for (const std::string& arg : args)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        const int rc = ::posix_spawn(&Pid, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        ::close(err[1]);
        OutFd = out[0];
        ErrFd = err[0];
        if (rc != 0)
            Pid = -1;
        return rc == 0;
    }

    // The next line of stdout, without its line end; false when none came in
    // `timeoutMs` or the stream ended.
    bool ReadLine(std::string& line, int timeoutMs) { return ReadLineFrom(OutFd, OutBuffer, line, timeoutMs); }

    // Reads stdout lines until one satisfies `match`; all lines read are kept
    // in `seen` when given.
    bool WaitForLine(const std::function<bool(const std::string&)>& match, int timeoutMs, std::string* found = nullptr,
                     std::vector<std::string>* seen = nullptr)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        std::string line;
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0 || !ReadLine(line, static_cast<int>(left.count())))
                return false;
            if (seen)
                seen->push_back(line);
            if (match(line)) {
                if (found)
                    *found = line;
                return true;
            }
        }
    }

    // Everything the program writes to stdout until it closes it.
    std::vector<std::string> ReadRemainingLines(int timeoutMs)
    {
        std::vector<std::string> lines;
        std::string line;
        while (ReadLine(line, timeoutMs))
            lines.push_back(line);
        return lines;
    }

    std::string ReadStderr(int timeoutMs)
    {
        std::string text;
        std::string line;
        while (ReadLineFrom(ErrFd, ErrBuffer, line, timeoutMs))
            text += line + "\n";
        return text + ErrBuffer;
    }

    void Signal(int signal) const
    {
        if (Pid > 0)
            ::kill(Pid, signal);
    }

    // The exit code after a normal exit, -1 for anything else or when it is
    // still running after `timeoutMs`.
    int Wait(int timeoutMs)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (Pid > 0) {
            int status = 0;
            const pid_t done = ::waitpid(Pid, &status, WNOHANG);
            if (done == Pid) {
                Pid = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            }
            if (std::chrono::steady_clock::now() >= deadline)
                return -1;
            ::usleep(10000);
        }
        return -1;
    }

private:
    static void CloseFd(int& fd)
    {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }

    static bool ReadLineFrom(int fd, std::string& buffer, std::string& line, int timeoutMs)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            const size_t end = buffer.find('\n');
            if (end != std::string::npos) {
                line = buffer.substr(0, end);
                buffer.erase(0, end + 1);
                return true;
            }
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (fd < 0 || left.count() <= 0)
                return false;
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(left.count())) <= 0)
                return false;
            char chunk[4096];
            const ssize_t n = ::read(fd, chunk, sizeof chunk);
            if (n <= 0)
                return false;
            buffer.append(chunk, static_cast<size_t>(n));
        }
    }

    pid_t Pid = -1;
    int OutFd = -1;
    int ErrFd = -1;
    std::string OutBuffer;
    std::string ErrBuffer;
};
