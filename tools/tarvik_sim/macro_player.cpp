#include "macro_player.h"

#include "common/macro_step.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

bool LoadMacroFile(const std::string& path, std::vector<TMacroStep>& steps, std::string& error)
{
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (ec) {
        error = "cannot read the macro file " + path + ": " + ec.message();
        return false;
    }
    // A device or a pipe given by mistake would be read for ever.
    if (!std::filesystem::is_regular_file(status)) {
        error = "the macro file " + path + " is not a regular file";
        return false;
    }
    const auto size = std::filesystem::file_size(path, ec);
    if (ec || size > TMacroPlayer::kMaxFileBytes) {
        error = "the macro file " + path + " is too large to be a macro (over 16 MiB)";
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot read the macro file " + path + ": " + std::strerror(errno);
        return false;
    }
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) {
        error = "cannot read the macro file " + path + ": " + std::strerror(errno);
        return false;
    }
    steps.clear();
    for (const std::string& line : SplitMacroLines(text))
        steps.push_back({MacroStepDelay(line), MacroStepBytes(line)});
    return true;
}

void TMacroPlayer::Start(uint32_t nowTick)
{
    Next = 0;
    LastTick = nowTick;
    Playing = !Steps.empty();
}

uint32_t TMacroPlayer::TimeUntilNext(uint32_t nowTick, uint32_t idleMs) const
{
    if (!Playing)
        return idleMs;
    const uint32_t elapsed = nowTick - LastTick;
    const uint32_t delay = Steps[Next].DelayMs;
    return elapsed >= delay ? 0 : delay - elapsed;
}

const TMacroStep* TMacroPlayer::TakeDue(uint32_t nowTick, size_t& index)
{
    if (!Playing || TimeUntilNext(nowTick, 0) > 0)
        return nullptr;
    index = Next;
    LastTick = nowTick;
    if (++Next == Steps.size())
        Playing = false;
    return &Steps[index];
}
