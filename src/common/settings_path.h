#pragma once

#include <string>
#include <string_view>

// Where the settings file lives. Beside the executable, with the executable's
// name and ".ini"; when that folder cannot be written (an installed program),
// in the user's configuration folder instead. Everything the choice depends on
// comes in a TSettingsPlace, so tests can point it at temporary folders.
struct TSettingsPlace {
    std::string ExecutablePath; // absolute; empty when unknown
    std::string ConfigHome;     // $XDG_CONFIG_HOME as set, possibly empty
    std::string Home;           // $HOME, or the account's home folder
};

// The running program's place: /proc/self/exe and the environment.
[[nodiscard]] TSettingsPlace CurrentSettingsPlace();

// `path` with its extension replaced by `extension` (which includes the dot), or
// with `extension` appended when it has none.
[[nodiscard]] std::string ChangeFileExt(std::string_view path, std::string_view extension);

// The executable's path with ".ini"; empty when the executable is unknown.
[[nodiscard]] std::string SettingsFileBesideExecutable(const TSettingsPlace& place);

// $XDG_CONFIG_HOME/tarvik/tarvik.ini, or ~/.config/tarvik/tarvik.ini when that
// variable is unset, empty or not an absolute path; empty when no folder is known.
[[nodiscard]] std::string UserSettingsFile(const TSettingsPlace& place);

// The file to read at start: the one saving writes to when it exists, otherwise
// the other one when that exists. So beside the executable is preferred, and a
// program whose folder cannot be written still finds the changes it saved.
[[nodiscard]] std::string SettingsFileToLoad(const TSettingsPlace& place);

// The file to write: beside the executable when that folder can be written,
// otherwise the user's file, whose folder is created here.
[[nodiscard]] std::string SettingsFileToSave(const TSettingsPlace& place);

// The macro file offered first: the executable's path with ".macro".
[[nodiscard]] std::string DefaultMacroFile(const TSettingsPlace& place);

// Whether a new file can be created in `folder`, tried rather than guessed from
// permission bits (root, read-only mounts and special file systems all differ).
[[nodiscard]] bool FolderIsWritable(const std::string& folder);
