#pragma once

// The message log is kept short: past kMemoMaxLines lines, the cleaner drops
// the oldest kMemoDropLines at once rather than line by line, so the log is
// not rewritten on every tick.
constexpr int kMemoMaxLines = 1000;
constexpr int kMemoDropLines = 500;

// How many of the oldest lines the cleaner drops from a log of `lineCount` lines.
[[nodiscard]] constexpr int MemoLinesToDrop(int lineCount)
{
    return lineCount > kMemoMaxLines ? kMemoDropLines : 0;
}
