#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

// A fresh folder under the system's temporary folder, removed with everything in it.
class TTempFolder {
public:
    TTempFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "tarvik-test-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            std::abort();
        Root = pattern;
        // Traversable by everyone, so a test may act as an unprivileged user inside it.
        std::filesystem::permissions(Root, std::filesystem::perms(0755));
    }
    TTempFolder(const TTempFolder&) = delete;
    TTempFolder& operator=(const TTempFolder&) = delete;
    ~TTempFolder()
    {
        std::error_code error;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(Root, error))
            std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, error);
        std::filesystem::remove_all(Root, error);
    }

    [[nodiscard]] std::string Path(const std::string& relative = {}) const
    {
        return relative.empty() ? Root.string() : (Root / relative).string();
    }

private:
    std::filesystem::path Root;
};

inline std::string ReadFileText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFileText(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

// Runs `body` in a child process and returns its exit code (-1 when it died
// otherwise). For what would harm this process: dropping privileges, resource
// limits, dying half-way through a save.
inline int RunInChild(const std::function<int()>& body)
{
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(body());
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// In a child: give up root, so that folder permissions apply as they do to an
// ordinary user. A no-op for a process that is not root.
inline bool DropToUnprivilegedUser()
{
    constexpr uid_t kNobody = 65534;
    if (::geteuid() != 0)
        return true;
    return ::setgroups(0, nullptr) == 0 && ::setgid(kNobody) == 0 && ::setuid(kNobody) == 0;
}
