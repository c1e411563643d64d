#pragma once

#include <functional>
#include <string>
#include <string_view>

// Replaces the file at `path` with `contents` so that a crash, a power cut or a
// full disk leaves either the old file or the new one, never a mix or an empty
// file: the bytes go to a temporary file in the same folder, are flushed to
// disk, and the temporary file is renamed over the target; the folder is then
// flushed so that the rename itself lasts. A symbolic link is followed, so the
// file it names is replaced and the link stays. The new file keeps the old
// one's permissions (and owner, where the process may set it).
//
// A file that does not exist yet is created with the process's default
// permissions, or readable by its owner only for contents such as a password.
//
// False means the old file is untouched and no temporary file is left; errno
// then tells why.
enum class TNewFileAccess { Default, OwnerOnly };
[[nodiscard]] bool WriteFileAtomically(const std::string& path, std::string_view contents,
                                       TNewFileAccess newFileAccess = TNewFileAccess::Default);

// Test seam: runs once the temporary file is complete and on disk, just before
// the rename. Returning false abandons the save as a failing rename would.
using TBeforeRenameHook = std::function<bool(const std::string& temporaryPath)>;
[[nodiscard]] bool WriteFileAtomically(const std::string& path, std::string_view contents,
                                       const TBeforeRenameHook& beforeRename,
                                       TNewFileAccess newFileAccess = TNewFileAccess::Default);
