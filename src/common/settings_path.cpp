#include "common/settings_path.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include <fcntl.h>
#include <pwd.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kSettingsExtension = ".ini";
constexpr std::string_view kMacroExtension = ".macro";
constexpr std::string_view kUserFolderName = "tarvik";
constexpr std::string_view kUserFileName = "tarvik.ini";
// What the kernel appends to /proc/self/exe when the file was replaced while running.
constexpr std::string_view kDeletedSuffix = " (deleted)";

std::string Environment(const char* name)
{
    const char* value = std::getenv(name);
    return value == nullptr ? std::string() : std::string(value);
}

std::string AccountHome()
{
    const passwd* entry = ::getpwuid(::getuid());
    return entry == nullptr || entry->pw_dir == nullptr ? std::string() : std::string(entry->pw_dir);
}

bool IsFile(const std::string& path)
{
    std::error_code error;
    return !path.empty() && fs::is_regular_file(path, error);
}

std::string FolderOf(const std::string& path)
{
    const fs::path folder = fs::path(path).parent_path();
    return folder.empty() ? std::string(".") : folder.string();
}

bool SaveBesideExecutable(const TSettingsPlace& place)
{
    const std::string beside = SettingsFileBesideExecutable(place);
    return !beside.empty() && (UserSettingsFile(place).empty() || FolderIsWritable(FolderOf(beside)));
}

} // namespace

TSettingsPlace CurrentSettingsPlace()
{
    TSettingsPlace place;
    std::error_code error;
    std::string executable = fs::read_symlink("/proc/self/exe", error).string();
    if (!error && executable.ends_with(kDeletedSuffix) && !fs::exists(executable, error))
        executable.resize(executable.size() - kDeletedSuffix.size());
    place.ExecutablePath = error ? std::string() : executable;
    place.ConfigHome = Environment("XDG_CONFIG_HOME");
    place.Home = Environment("HOME");
    if (place.Home.empty())
        place.Home = AccountHome();
    return place;
}

std::string ChangeFileExt(std::string_view path, std::string_view extension)
{
    return fs::path(path).replace_extension(extension).string();
}

std::string SettingsFileBesideExecutable(const TSettingsPlace& place)
{
    return place.ExecutablePath.empty() ? std::string() : ChangeFileExt(place.ExecutablePath, kSettingsExtension);
}

std::string UserSettingsFile(const TSettingsPlace& place)
{
    // A relative value is invalid by the XDG rules and must be ignored.
    fs::path configHome = place.ConfigHome;
    if (!configHome.is_absolute()) {
        const fs::path home = place.Home;
        if (!home.is_absolute())
            return {};
        configHome = home / ".config";
    }
    return (configHome / kUserFolderName / kUserFileName).string();
}

std::string SettingsFileToLoad(const TSettingsPlace& place)
{
    const std::string beside = SettingsFileBesideExecutable(place);
    const std::string user = UserSettingsFile(place);
    const bool besideFirst = SaveBesideExecutable(place);
    const std::string& saved = besideFirst ? beside : user;
    const std::string& other = besideFirst ? user : beside;
    if (IsFile(saved) || !IsFile(other))
        return saved;
    return other;
}

std::string SettingsFileToSave(const TSettingsPlace& place)
{
    if (SaveBesideExecutable(place))
        return SettingsFileBesideExecutable(place);
    const std::string user = UserSettingsFile(place);
    std::error_code error;
    // A failure shows when the save itself fails; there is nowhere better to go.
    fs::create_directories(FolderOf(user), error);
    return user;
}

std::string DefaultMacroFile(const TSettingsPlace& place)
{
    return place.ExecutablePath.empty() ? std::string() : ChangeFileExt(place.ExecutablePath, kMacroExtension);
}

bool FolderIsWritable(const std::string& folder)
{
    // An unnamed file vanishes with its descriptor, so the probe never leaves litter.
    const int fd = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (fd >= 0) {
        ::close(fd);
        return true;
    }
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
        return false;
    // File systems without unnamed files: the permission check is the best left.
    std::error_code error;
    return fs::is_directory(folder, error) && ::access(folder.c_str(), W_OK | X_OK) == 0;
}
