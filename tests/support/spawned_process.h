#pragma once

#include <signal.h>
#include <sys/types.h>

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// One program started by a test, in a process group of its own, with its
// stdin, stdout and stderr on pipes.
//
// Nothing it starts may outlive the test: the destructor kills the whole
// group (so a browser or simulator started by the program goes too) and
// reaps the child, whatever way the test ended, and the kernel sends the
// child `DeathSignal` should the test process itself be killed (a CTest
// time-out). The child starts with the signal state a shell gives a
// program, not the test's.
class TSpawnedProcess {
public:
    struct TOptions {
        std::vector<std::string> Args;                                // Args[0] is the program's path
        std::vector<std::pair<std::string, std::string>> Environment; // added to or replacing the test's
        std::string WorkingDirectory;                                 // empty: the test's own
        int DeathSignal = SIGKILL;                                    // sent when the test process dies
    };

    TSpawnedProcess() = default;
    ~TSpawnedProcess() { Kill(); }
    TSpawnedProcess(const TSpawnedProcess&) = delete;
    TSpawnedProcess& operator=(const TSpawnedProcess&) = delete;

    // False with the reason in `error` when the program could not be started.
    [[nodiscard]] bool Start(const TOptions& options, std::string& error);

    [[nodiscard]] pid_t ProcessId() const { return Pid; }
    [[nodiscard]] bool IsRunning() const { return Pid > 0; }
    // Whether anything of its process group still runs (after Wait, what the
    // program started and left behind).
    [[nodiscard]] bool GroupHasProcesses() const;
    // Whether the program has installed its own handler for `signal` yet, so
    // that sending it tests the program's handling and not the default action.
    [[nodiscard]] bool CatchesSignal(int signal) const;

    // One line to the program's stdin.
    [[nodiscard]] bool WriteLine(const std::string& line);
    void CloseStdin();

    // The next stdout line without its line end; nullopt when none came
    // within `timeoutMs` or the stream ended. Every line read is kept.
    std::optional<std::string> ReadLine(int timeoutMs);
    // Reads stdout until a line satisfies `match`.
    std::optional<std::string> WaitForLine(const std::function<bool(const std::string&)>& match, int timeoutMs);
    // The stdout lines still to come, until the program closes its stdout or
    // writes nothing for `timeoutMs`.
    std::vector<std::string> ReadRemainingLines(int timeoutMs);

    // Every stdout line read so far, in order.
    [[nodiscard]] const std::vector<std::string>& StdoutLines() const { return Transcript; }
    // The same, marked with the program's name, for the message of a failed check.
    [[nodiscard]] std::string TranscriptText() const;

    // What the program wrote to stderr so far; with `timeoutMs`, also what
    // comes until it closes its stderr or is silent that long.
    std::string Stderr(int timeoutMs = 0);

    void Signal(int signal) const;

    // The exit status after a normal exit; -1 after a signal or when the
    // program is still running after `timeoutMs`.
    int Wait(int timeoutMs);

    // SIGKILL to the whole group, then the child is reaped. The group is
    // killed even after its leader ended: a process the program started may
    // still be in it.
    void Kill();

private:
    void Reap();

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
