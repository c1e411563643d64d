#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// One step of a macro file: wait `DelayMs` after the previous step, then
// write `Bytes` (none for a line that holds only a delay).
struct TMacroStep {
    uint32_t DelayMs = 1;
    std::vector<uint8_t> Bytes;
};

// Reads a macro file in the station's format. False with a reason for a file
// that cannot be read or is too large to be a macro.
[[nodiscard]] bool LoadMacroFile(const std::string& path, std::vector<TMacroStep>& steps, std::string& error);

// Plays the steps once from Start: each step goes out its own delay after the
// previous one was sent, as the station plays them.
class TMacroPlayer {
public:
    static constexpr uintmax_t kMaxFileBytes = 16u * 1024 * 1024;

    explicit TMacroPlayer(std::vector<TMacroStep> steps) : Steps(std::move(steps)) {}

    void Start(uint32_t nowTick);
    void Stop() { Playing = false; }
    [[nodiscard]] bool IsPlaying() const { return Playing; }
    [[nodiscard]] size_t StepCount() const { return Steps.size(); }

    // Milliseconds until the next step is due; `idleMs` when not playing.
    [[nodiscard]] uint32_t TimeUntilNext(uint32_t nowTick, uint32_t idleMs) const;
    // The next step when it is due, with its index; playback ends after the
    // last one.
    [[nodiscard]] const TMacroStep* TakeDue(uint32_t nowTick, size_t& index);

private:
    std::vector<TMacroStep> Steps;
    size_t Next = 0;
    uint32_t LastTick = 0;
    bool Playing = false;
};
