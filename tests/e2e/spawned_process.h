#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

extern char** environ;

// One program started by an end-to-end test, in a process group of its own,
// with its stdin, stdout and stderr on pipes.
//
// Nothing it starts may outlive the test: the destructor kills the whole
// group (so a browser started by the program goes too) and reaps the child,
// whatever way the test ended, and the kernel sends the child `deathSignal`
// should the test process itself be killed (a CTest time-out).
class TSpawnedProcess {
public:
    struct TOptions {
        std::vector<std::string> Args;                              // Args[0] is the program's path
        std::vector<std::pair<std::string, std::string>> Environment; // added to or replacing the test's
        std::string WorkingDirectory;                               // empty: the test's own
        int DeathSignal = SIGKILL;                                  // sent when the test process dies
    };

    TSpawnedProcess() = default;
    ~TSpawnedProcess() { Kill(); }
    TSpawnedProcess(const TSpawnedProcess&) = delete;
    TSpawnedProcess& operator=(const TSpawnedProcess&) = delete;

    // False with the reason in `error` when the program could not be started.
    [[nodiscard]] bool Start(const TOptions& options, std::string& error)
    {
        if (options.Args.empty()) {
            error = "no program to start";
            return false;
        }
        // A write to a program that has ended must fail, not end the test.
        ::signal(SIGPIPE, SIG_IGN);
        Name = options.Args[0].substr(options.Args[0].rfind('/') + 1);
        std::vector<std::string> environment = MergedEnvironment(options.Environment);
        std::vector<char*> argv = Pointers(options.Args);
        std::vector<char*> envp = Pointers(environment);
        const pid_t parent = ::getpid();

        int in[2];
        int out[2];
        int err[2];
        int exec[2]; // reports a failed exec to the parent; closed by a successful one
        if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0 ||
            ::pipe2(exec, O_CLOEXEC) != 0) {
            error = std::string("pipe: ") + std::strerror(errno);
            return false;
        }
        Pid = ::fork();
        if (Pid == 0) {
            // Only async-signal-safe calls from here to exec.
            ::setpgid(0, 0);
            ::prctl(PR_SET_PDEATHSIG, options.DeathSignal);
            if (::getppid() != parent)
                ::_exit(127);
            ::dup2(in[0], STDIN_FILENO);
            ::dup2(out[1], STDOUT_FILENO);
            ::dup2(err[1], STDERR_FILENO);
            if (!options.WorkingDirectory.empty() && ::chdir(options.WorkingDirectory.c_str()) != 0) {
                const int code = errno;
                [[maybe_unused]] const ssize_t n = ::write(exec[1], &code, sizeof code);
                ::_exit(127);
            }
            ::execve(argv[0], argv.data(), envp.data());
            const int code = errno;
            [[maybe_unused]] const ssize_t n = ::write(exec[1], &code, sizeof code);
            ::_exit(127);
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
            return false;
        }
        // Also here, so a kill of the group cannot come before the child made it.
        ::setpgid(Pid, Pid);
        Group = Pid;
        int code = 0;
        const ssize_t n = ::read(exec[0], &code, sizeof code);
        ::close(exec[0]);
        if (n == static_cast<ssize_t>(sizeof code)) {
            error = options.Args[0] + ": " + std::strerror(code);
            Reap();
            return false;
        }
        return true;
    }

    [[nodiscard]] pid_t ProcessId() const { return Pid; }
    [[nodiscard]] bool IsRunning() const { return Pid > 0; }
    // Whether anything of its process group still runs (after Wait, what the
    // program started and left behind).
    [[nodiscard]] bool GroupHasProcesses() const { return Group > 0 && ::kill(-Group, 0) == 0; }

    // One line to the program's stdin.
    [[nodiscard]] bool WriteLine(const std::string& line)
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

    void CloseStdin() { CloseFd(InFd); }

    // The next stdout line without its line end; nullopt when none came
    // within `timeoutMs` or the stream ended. Every line read is kept.
    std::optional<std::string> ReadLine(int timeoutMs)
    {
        std::string line;
        if (!ReadLineFrom(OutFd, OutBuffer, line, timeoutMs))
            return std::nullopt;
        Transcript.push_back(line);
        return line;
    }

    // Reads stdout until a line satisfies `match`.
    std::optional<std::string> WaitForLine(const std::function<bool(const std::string&)>& match, int timeoutMs)
    {
        const auto deadline = Deadline(timeoutMs);
        while (const auto line = ReadLine(MsUntil(deadline))) {
            if (match(*line))
                return line;
        }
        return std::nullopt;
    }

    // Every stdout line read so far, for the message of a failed check.
    [[nodiscard]] std::string TranscriptText() const
    {
        std::string text;
        for (const std::string& line : Transcript)
            text += "  " + Name + "> " + line + "\n";
        return text;
    }

    // What the program wrote to stderr so far, without waiting.
    std::string Stderr()
    {
        std::string line;
        while (ReadLineFrom(ErrFd, ErrBuffer, line, 0))
            ErrText += line + "\n";
        return ErrText + ErrBuffer;
    }

    void Signal(int signal) const
    {
        if (Pid > 0)
            ::kill(Pid, signal);
    }

    // The exit status after a normal exit; -1 after a signal or when the
    // program is still running after `timeoutMs`.
    int Wait(int timeoutMs)
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
            if (std::chrono::steady_clock::now() >= deadline)
                return -1;
            ::usleep(10000);
        }
        return -1;
    }

    // SIGKILL to the whole group, then the child is reaped. The group is
    // killed even after its leader ended: a browser the program started may
    // still be in it.
    void Kill()
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

private:
    using TClock = std::chrono::steady_clock;

    static TClock::time_point Deadline(int timeoutMs) { return TClock::now() + std::chrono::milliseconds(timeoutMs); }

    static int MsUntil(TClock::time_point deadline)
    {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - TClock::now()).count();
        return left > 0 ? static_cast<int>(left) : 0;
    }

    static std::vector<std::string> MergedEnvironment(const std::vector<std::pair<std::string, std::string>>& extra)
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

    static std::vector<char*> Pointers(std::vector<std::string>& texts)
    {
        std::vector<char*> pointers;
        for (std::string& text : texts)
            pointers.push_back(text.data());
        pointers.push_back(nullptr);
        return pointers;
    }

    static std::vector<char*> Pointers(const std::vector<std::string>& texts)
    {
        std::vector<char*> pointers;
        for (const std::string& text : texts)
            pointers.push_back(const_cast<char*>(text.c_str()));
        pointers.push_back(nullptr);
        return pointers;
    }

    static void CloseFd(int& fd)
    {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }

    static bool ReadLineFrom(int fd, std::string& buffer, std::string& line, int timeoutMs)
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

    void Reap()
    {
        while (Pid > 0 && ::waitpid(Pid, nullptr, 0) < 0 && errno == EINTR) {
        }
        Pid = -1;
    }

    std::string Name;
    pid_t Pid = -1;
    pid_t Group = -1;
    int InFd = -1;
    int OutFd = -1;
    int ErrFd = -1;
    std::string OutBuffer;
    std::string ErrBuffer;
    std::string ErrText;
    std::vector<std::string> Transcript;
};
