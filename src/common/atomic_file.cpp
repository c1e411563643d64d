#include "common/atomic_file.h"

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <string>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// Closes the descriptor it holds; Release() hands it over for a checked close.
class TUniqueFd {
public:
    explicit TUniqueFd(int fd = -1) : Fd(fd) {}
    TUniqueFd(const TUniqueFd&) = delete;
    TUniqueFd& operator=(const TUniqueFd&) = delete;
    ~TUniqueFd()
    {
        if (Fd >= 0)
            ::close(Fd);
    }
    [[nodiscard]] int Get() const { return Fd; }
    [[nodiscard]] int Release() { return std::exchange(Fd, -1); }

private:
    int Fd;
};

// Removes the temporary file unless the save got as far as renaming it.
class TTemporaryFile {
public:
    explicit TTemporaryFile(std::string path) : Path(std::move(path)) {}
    TTemporaryFile(const TTemporaryFile&) = delete;
    TTemporaryFile& operator=(const TTemporaryFile&) = delete;
    ~TTemporaryFile()
    {
        if (!Path.empty()) {
            const int savedErrno = errno; // the caller reads why the save failed
            ::unlink(Path.c_str());
            errno = savedErrno;
        }
    }
    [[nodiscard]] const std::string& Get() const { return Path; }
    void Keep() { Path.clear(); }

private:
    std::string Path;
};

// The file a save must replace: the target of a symbolic link rather than the link.
std::string ResolveTarget(const std::string& path)
{
    std::error_code error;
    if (!fs::is_symlink(path, error))
        return path;
    const fs::path resolved = fs::weakly_canonical(fs::absolute(path, error), error);
    return error ? path : resolved.string();
}

bool WriteAll(int fd, std::string_view contents)
{
    while (!contents.empty()) {
        const ssize_t written = ::write(fd, contents.data(), contents.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        contents.remove_prefix(static_cast<size_t>(written));
    }
    return true;
}

// Opens a fresh file beside the target. O_EXCL with a name no other save uses, and
// the permissions asked for, through the process's umask like any new file.
TUniqueFd CreateTemporary(const fs::path& target, std::string& temporaryPath, TNewFileAccess access)
{
    static std::atomic<unsigned> counter{0};
    constexpr int kAttempts = 100;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        fs::path candidate = target;
        candidate.replace_filename("." + target.filename().string() + ".tmp-" + std::to_string(::getpid()) +
                                   "-" + std::to_string(counter++));
        const mode_t mode = access == TNewFileAccess::OwnerOnly ? 0600 : 0666;
        const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0) {
            temporaryPath = candidate.string();
            return TUniqueFd(fd);
        }
        if (errno != EEXIST)
            break;
    }
    return TUniqueFd();
}

void SyncFolder(const fs::path& target)
{
    fs::path folder = target.parent_path();
    if (folder.empty())
        folder = ".";
    TUniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    // Best effort: the new file is complete and in place; only the lasting of the
    // rename across a power cut depends on this, and every local file system allows it.
    if (fd.Get() >= 0)
        static_cast<void>(::fsync(fd.Get()));
}

} // namespace

bool WriteFileAtomically(const std::string& path, std::string_view contents, TNewFileAccess newFileAccess)
{
    return WriteFileAtomically(path, contents, TBeforeRenameHook(), newFileAccess);
}

bool WriteFileAtomically(const std::string& path, std::string_view contents, const TBeforeRenameHook& beforeRename,
                         TNewFileAccess newFileAccess)
{
    const fs::path target = ResolveTarget(path);
    if (target.filename().empty()) {
        errno = EISDIR;
        return false;
    }

    std::string temporaryPath;
    TUniqueFd fd = CreateTemporary(target, temporaryPath, newFileAccess);
    if (fd.Get() < 0)
        return false;
    TTemporaryFile temporary(temporaryPath);

    struct stat old {};
    if (::stat(target.c_str(), &old) == 0) {
        if (!S_ISREG(old.st_mode)) {
            errno = S_ISDIR(old.st_mode) ? EISDIR : EINVAL;
            return false;
        }
        // Only root may change the owner; for anyone else the file simply becomes theirs.
        static_cast<void>(::fchown(fd.Get(), old.st_uid, old.st_gid));
        if (::fchmod(fd.Get(), old.st_mode & 07777) != 0)
            return false;
    }

    if (!WriteAll(fd.Get(), contents) || ::fsync(fd.Get()) != 0)
        return false;
    // close() is where some file systems (NFS) report a failed write.
    if (::close(fd.Release()) != 0)
        return false;

    if (beforeRename && !beforeRename(temporary.Get())) {
        errno = ECANCELED;
        return false;
    }
    if (::rename(temporary.Get().c_str(), target.c_str()) != 0)
        return false;
    temporary.Keep();
    SyncFolder(target);
    return true;
}
