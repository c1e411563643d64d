#pragma once

#include <filesystem>
#include <string>

// A fresh folder under the system's temporary folder for one test, removed
// with everything in it, also what a test made read-only.
class TTempFolder {
public:
    // Throws std::runtime_error when no folder can be made.
    TTempFolder();
    ~TTempFolder();
    TTempFolder(const TTempFolder&) = delete;
    TTempFolder& operator=(const TTempFolder&) = delete;

    // The folder itself, or `relative` inside it.
    [[nodiscard]] std::string Path(const std::string& relative = {}) const;

    // Writes `text` to `relative` inside the folder; returns its path.
    std::string Write(const std::string& relative, const std::string& text) const;

    // A copy of the program at `original` in the folder, under its own name
    // and runnable; returns its path. Throws when it cannot be copied.
    [[nodiscard]] std::string CopyProgram(const std::string& original) const;

private:
    std::filesystem::path Root;
};

// The whole file, byte for byte; "" when it cannot be read.
[[nodiscard]] std::string ReadFileText(const std::string& path);
// Replaces the file with `text`, byte for byte.
void WriteFileText(const std::string& path, const std::string& text);
