#include "common/atomic_file.h"

#include "support/run_in_child.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <string>

#include <sys/resource.h>
#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;

class AtomicFileTest : public ::testing::Test {
protected:
    // Nothing but the target may remain in the folder after a save, whatever its outcome.
    [[nodiscard]] int FilesInFolder() const
    {
        int count = 0;
        for ([[maybe_unused]] const auto& entry : fs::directory_iterator(Folder.Path()))
            ++count;
        return count;
    }

    TTempFolder Folder;
    std::string Target = Folder.Path("tarvik.ini");
};

TEST_F(AtomicFileTest, CreatesAndReplacesTheFile)
{
    ASSERT_TRUE(WriteFileAtomically(Target, "first\r\n"));
    EXPECT_EQ(ReadFileText(Target), "first\r\n");
    ASSERT_TRUE(WriteFileAtomically(Target, std::string("second\0with a zero\xFF", 19)));
    EXPECT_EQ(ReadFileText(Target), std::string("second\0with a zero\xFF", 19));
    ASSERT_TRUE(WriteFileAtomically(Target, ""));
    EXPECT_EQ(ReadFileText(Target), "");
    EXPECT_EQ(FilesInFolder(), 1);
}

TEST_F(AtomicFileTest, KeepsThePermissionsOfTheOldFile)
{
    WriteFileText(Target, "old");
    ::chmod(Target.c_str(), 0640);
    ASSERT_TRUE(WriteFileAtomically(Target, "new"));
    struct stat info {};
    ASSERT_EQ(::stat(Target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
}

TEST_F(AtomicFileTest, ReplacesTheFileALinkNamesAndKeepsTheLink)
{
    const std::string real = Folder.Path("real.ini");
    WriteFileText(real, "old");
    fs::create_symlink(real, Target);
    ASSERT_TRUE(WriteFileAtomically(Target, "new"));
    EXPECT_TRUE(fs::is_symlink(Target));
    EXPECT_EQ(ReadFileText(real), "new");
}

TEST_F(AtomicFileTest, AnAbandonedRenameLeavesTheOldFileAndNoTemporary)
{
    WriteFileText(Target, "old contents");
    std::string temporarySeen;
    const bool saved = WriteFileAtomically(Target, "new contents", [&](const std::string& temporary) {
        temporarySeen = temporary;
        EXPECT_EQ(ReadFileText(temporary), "new contents"); // complete before the rename
        return false;
    });
    EXPECT_FALSE(saved);
    EXPECT_EQ(errno, ECANCELED);
    EXPECT_EQ(fs::path(temporarySeen).parent_path(), fs::path(Folder.Path()));
    EXPECT_EQ(ReadFileText(Target), "old contents");
    EXPECT_EQ(FilesInFolder(), 1);
}

TEST_F(AtomicFileTest, ACrashBeforeTheRenameLeavesTheOldFile)
{
    WriteFileText(Target, "old contents");
    const int code = RunInChild([&] {
        static_cast<void>(WriteFileAtomically(Target, "new contents", [](const std::string&) -> bool {
            ::_exit(42); // the process dies with the new file complete but not yet in place
        }));
        return 0;
    });
    ASSERT_EQ(code, 42);
    EXPECT_EQ(ReadFileText(Target), "old contents");
}

TEST_F(AtomicFileTest, AFullDiskLeavesTheOldFileAndNoTemporary)
{
    WriteFileText(Target, "old contents");
    const std::string big(1 << 20, 'x');
    // A file size limit fails the write just as a full disk does (EFBIG instead of ENOSPC).
    const int code = RunInChild([&] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{4096, 4096};
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
            return 2;
        return WriteFileAtomically(Target, big) ? 1 : 0;
    });
    ASSERT_EQ(code, 0);
    EXPECT_EQ(ReadFileText(Target), "old contents");
    EXPECT_EQ(FilesInFolder(), 1);
}

TEST_F(AtomicFileTest, AnUnwritableFolderFailsAndLeavesTheOldFile)
{
    WriteFileText(Target, "old contents");
    ::chmod(Target.c_str(), 0666);
    ::chmod(Folder.Path().c_str(), 0555);
    const int code = RunInChild([&] {
        if (!DropToUnprivilegedUser())
            return 2;
        return WriteFileAtomically(Target, "new contents") ? 1 : 0;
    });
    ::chmod(Folder.Path().c_str(), 0755);
    ASSERT_EQ(code, 0);
    EXPECT_EQ(ReadFileText(Target), "old contents");
    EXPECT_EQ(FilesInFolder(), 1);
}

TEST_F(AtomicFileTest, AFolderInPlaceOfTheFileIsNotReplaced)
{
    fs::create_directory(Target);
    EXPECT_FALSE(WriteFileAtomically(Target, "new"));
    EXPECT_TRUE(fs::is_directory(Target));
    EXPECT_EQ(FilesInFolder(), 1);
}

TEST_F(AtomicFileTest, AMissingFolderFails)
{
    EXPECT_FALSE(WriteFileAtomically(Folder.Path("no such folder/tarvik.ini"), "new"));
    EXPECT_EQ(errno, ENOENT);
}

} // namespace
