#include "support/temp_folder.h"

#include <stdlib.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace fs = std::filesystem;

TTempFolder::TTempFolder()
{
    std::string pattern = (fs::temp_directory_path() / "tarvik-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("cannot make a temporary folder: " + std::string(std::strerror(errno)));
    Root = pattern;
    // Traversable by everyone, so a test may act as an unprivileged user inside it.
    fs::permissions(Root, fs::perms(0755));
}

TTempFolder::~TTempFolder()
{
    // Tests take write and search rights away to make saves fail; without
    // them back the removal would stop half-way.
    // Links are left alone: they may point at devices outside the folder.
    std::error_code ignored;
    fs::permissions(Root, fs::perms::owner_all, fs::perm_options::add, ignored);
    std::error_code walk;
    for (fs::recursive_directory_iterator entry(Root, walk), end; !walk && entry != end; entry.increment(walk)) {
        if (entry->is_directory(ignored) && !entry->is_symlink(ignored))
            fs::permissions(entry->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    }
    fs::remove_all(Root, ignored);
}

std::string TTempFolder::Path(const std::string& relative) const
{
    return relative.empty() ? Root.string() : (Root / relative).string();
}

std::string TTempFolder::Write(const std::string& relative, const std::string& text) const
{
    const std::string path = Path(relative);
    WriteFileText(path, text);
    return path;
}

std::string TTempFolder::CopyProgram(const std::string& original) const
{
    const fs::path copy = Root / fs::path(original).filename();
    fs::copy_file(original, copy, fs::copy_options::overwrite_existing);
    fs::permissions(copy, fs::perms::owner_all, fs::perm_options::add);
    return copy.string();
}

std::string ReadFileText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFileText(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}
