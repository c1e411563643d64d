#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

// A fresh directory for one test, removed with everything in it.
class TTempDir {
public:
    TTempDir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "tarvik-sim-test-XXXXXX").string();
        if (::mkdtemp(pattern.data()))
            Path = pattern;
    }
    ~TTempDir()
    {
        std::error_code ec;
        if (!Path.empty())
            std::filesystem::remove_all(Path, ec);
    }
    TTempDir(const TTempDir&) = delete;
    TTempDir& operator=(const TTempDir&) = delete;

    [[nodiscard]] std::string File(const std::string& name) const { return (Path / name).string(); }
    [[nodiscard]] std::string Write(const std::string& name, const std::string& content) const
    {
        const std::string path = File(name);
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }

private:
    std::filesystem::path Path;
};
