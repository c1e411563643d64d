#include "support/spawned_process.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>

extern char** environ;

namespace {

using TClock = std::chrono::steady_clock;

TClock::time_point Deadline(int timeoutMs)
{
    return TClock::now() + std::chrono::milliseconds(timeoutMs);
}

int MsUntil(TClock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - TClock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

std::vector<std::string> MergedEnvironment(const std::vector<std::pair<std::string, std::string>>& extra)
{
    std::vector<std::string> result;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text = *entry;
        const std::string name = text.substr(0, text.find('='));
        bool replaced = false;
        for (const auto& [key, value] : extra)
            replaced = replaced || key == name;
        if (!replaced)
            result.push_back(text);
    }
    for (const auto& [key, value] : extra)
        result.push_back(key + "=" + value);
    return result;
}

std::vector<char*> Pointers(const std::vector<std::string>& texts)
{
    std::vector<char*> pointers;
    for (const std::string& text : texts)
        pointers.push_back(const_cast<char*>(text.c_str()));
    pointers.push_back(nullptr);
    return pointers;
}

void CloseFd(int& fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

bool ReadLineFrom(int fd, std::string& buffer, std::string& line, int timeoutMs)
{
    const auto deadline = Deadline(timeoutMs);
    for (;;) {
        const size_t end = buffer.find('\n');
        if (end != std::string::npos) {
            line = buffer.substr(0, end);
            buffer.erase(0, end + 1);
            return true;
        }
        if (fd < 0)
            return false;
        pollfd p{fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, MsUntil(deadline));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return false;
        char chunk[4096];
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        buffer.append(chunk, static_cast<size_t>(n));
    }
}

// In the child between fork and exec: only async-signal-safe calls.
[[noreturn]] void ReportAndExit(int pipeFd)
{
    const int code = errno;
    [[maybe_unused]] const ssize_t n = ::write(pipeFd, &code, sizeof code);
    ::_exit(127);
}

} // namespace

bool TSpawnedProcess::Start(const TOptions& options, std::string& error)
{
    if (options.Args.empty()) {
        error = "no program to start";
        return false;
    }
    // What is left of an earlier run goes; its lines stay in the transcript.
    Kill();
    OutBuffer.clear();
    ErrBuffer.clear();
    // A write to a program that has ended must fail, not end the test.
    ::signal(SIGPIPE, SIG_IGN);
    Name = options.Args[0].substr(options.Args[0].rfind('/') + 1);
    const std::vector<std::string> environment = MergedEnvironment(options.Environment);
    const std::vector<char*> argv = Pointers(options.Args);
    const std::vector<char*> envp = Pointers(environment);
    const pid_t parent = ::getpid();

    int in[2] = {-1, -1};
    int out[2] = {-1, -1};
    int err[2] = {-1, -1};
    int exec[2] = {-1, -1}; // reports a failed exec to the parent; closed by a successful one
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0 ||
        ::pipe2(exec, O_CLOEXEC) != 0) {
        error = std::string("pipe: ") + std::strerror(errno);
        for (int* pair : {in, out, err, exec}) {
            CloseFd(pair[0]);
            CloseFd(pair[1]);
        }
        return false;
    }
    Pid = ::fork();
    if (Pid == 0) {
        ::setpgid(0, 0);
        ::prctl(PR_SET_PDEATHSIG, options.DeathSignal);
        if (::getppid() != parent)
            ::_exit(127);
        // Ignored signals and the blocked mask survive exec; the program
        // should not inherit what the test process chose for itself.
        sigset_t none;
        ::sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        struct sigaction standard {};
        standard.sa_handler = SIG_DFL;
        ::sigaction(SIGPIPE, &standard, nullptr);
        ::dup2(in[0], STDIN_FILENO);
        ::dup2(out[1], STDOUT_FILENO);
        ::dup2(err[1], STDERR_FILENO);
        if (!options.WorkingDirectory.empty() && ::chdir(options.WorkingDirectory.c_str()) != 0)
            ReportAndExit(exec[1]);
        ::execve(argv[0], argv.data(), envp.data());
        ReportAndExit(exec[1]);
    }
    ::close(in[0]);
    ::close(out[1]);
    ::close(err[1]);
    ::close(exec[1]);
    InFd = in[1];
    OutFd = out[0];
    ErrFd = err[0];
    if (Pid < 0) {
        error = std::string("fork: ") + std::strerror(errno);
        ::close(exec[0]);
        Kill();
        return false;
    }
    // Also here, so a kill of the group cannot come before the child made it.
    ::setpgid(Pid, Pid);
    Group = Pid;
    int code = 0;
    ssize_t n = 0;
    do {
        n = ::read(exec[0], &code, sizeof code);
    } while (n < 0 && errno == EINTR);
    ::close(exec[0]);
    if (n == static_cast<ssize_t>(sizeof code)) {
        error = options.Args[0] + ": " + std::strerror(code);
        Kill();
        return false;
    }
    return true;
}

bool TSpawnedProcess::GroupHasProcesses() const
{
    return Group > 0 && ::kill(-Group, 0) == 0;
}

bool TSpawnedProcess::CatchesSignal(int signal) const
{
    if (Pid <= 0)
        return false;
    std::ifstream status("/proc/" + std::to_string(Pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with("SigCgt:"))
            return (std::stoull(line.substr(7), nullptr, 16) >> (signal - 1)) & 1U;
    }
    return false;
}

bool TSpawnedProcess::WriteLine(const std::string& line)
{
    const std::string text = line + "\n";
    size_t done = 0;
    while (InFd >= 0 && done < text.size()) {
        const ssize_t n = ::write(InFd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return done == text.size();
}

void TSpawnedProcess::CloseStdin()
{
    CloseFd(InFd);
}

std::optional<std::string> TSpawnedProcess::ReadLine(int timeoutMs)
{
    std::string line;
    if (!ReadLineFrom(OutFd, OutBuffer, line, timeoutMs))
        return std::nullopt;
    Transcript.push_back(line);
    return line;
}

std::optional<std::string> TSpawnedProcess::WaitForLine(const std::function<bool(const std::string&)>& match,
                                                        int timeoutMs)
{
    const auto deadline = Deadline(timeoutMs);
    while (const auto line = ReadLine(MsUntil(deadline))) {
        if (match(*line))
            return line;
    }
    return std::nullopt;
}

std::vector<std::string> TSpawnedProcess::ReadRemainingLines(int timeoutMs)
{
    std::vector<std::string> lines;
    while (const auto line = ReadLine(timeoutMs))
        lines.push_back(*line);
    return lines;
}

std::string TSpawnedProcess::TranscriptText() const
{
    std::string text;
    for (const std::string& line : Transcript)
        text += "  " + Name + "> " + line + "\n";
    return text;
}

std::string TSpawnedProcess::Stderr(int timeoutMs)
{
    std::string line;
    while (ReadLineFrom(ErrFd, ErrBuffer, line, timeoutMs))
        ErrText += line + "\n";
    return ErrText + ErrBuffer;
}

void TSpawnedProcess::Signal(int signal) const
{
    if (Pid > 0)
        ::kill(Pid, signal);
}

int TSpawnedProcess::Wait(int timeoutMs)
{
    const auto deadline = Deadline(timeoutMs);
    while (Pid > 0) {
        int status = 0;
        const pid_t done = ::waitpid(Pid, &status, WNOHANG);
        if (done == Pid) {
            Pid = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        if (done < 0 && errno != EINTR) {
            Pid = -1;
            return -1;
        }
        if (TClock::now() >= deadline)
            return -1;
        ::usleep(10000);
    }
    return -1;
}

void TSpawnedProcess::Kill()
{
    if (Group > 0)
        ::kill(-Group, SIGKILL);
    Group = -1;
    if (Pid > 0) {
        ::kill(Pid, SIGKILL);
        Reap();
    }
    CloseFd(InFd);
    CloseFd(OutFd);
    CloseFd(ErrFd);
}

void TSpawnedProcess::Reap()
{
    while (Pid > 0 && ::waitpid(Pid, nullptr, 0) < 0 && errno == EINTR) {
    }
    Pid = -1;
}
