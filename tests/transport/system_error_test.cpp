#include "transport/system_error.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <thread>

namespace {

TEST(SystemErrorTest, KnownCodesGiveTheSystemText)
{
    EXPECT_EQ(GetSystemErrorText(EBUSY, "?"), "Device or resource busy");
    EXPECT_EQ(GetSystemErrorText(ECONNREFUSED, "?"), "Connection refused");
    EXPECT_EQ(GetSystemErrorText(EADDRINUSE, "?"), "Address already in use");
}

TEST(SystemErrorTest, UnknownCodesGiveTheFallback)
{
    struct Case {
        int Code;
        const char* Format;
        const char* Text;
    };
    const Case cases[] = {
        {99999, "?", "?"},
        {99999, "", ""},
        {99999, "Error %i", "Error 99999"},
        {-5, "code %d.", "code -5."},
        {99999, "100%% %i", "100% 99999"},
        // Anything else is text: a stray conversion reads no argument.
        {99999, "%s %n %", "%s %n %"},
    };
    for (const Case& entry : cases)
        EXPECT_EQ(GetSystemErrorText(entry.Code, entry.Format), entry.Text) << entry.Format;
}

TEST(SystemErrorTest, LastErrorBelongsToItsThread)
{
    SetLastSystemError(EIO);
    std::thread other([] {
        EXPECT_EQ(GetLastSystemError(), 0);
        SetLastSystemError(EPIPE);
    });
    other.join();
    EXPECT_EQ(GetLastSystemError(), EIO);
}

} // namespace
