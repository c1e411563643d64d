#include "web/url.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct SplitCase {
    std::string Source;
    std::string Delimiter;
    bool WholeIfMissing;
    std::string Result;
    std::string Rest;
};

TEST(SplitTextTest, CutsAtTheFirstDelimiter)
{
    const std::vector<SplitCase> cases = {
        {"a://b://c", "://", false, "a", "b://c"},
        {"user@host", "@", true, "user", "host"},
        {"@host", "@", false, "", "host"},
        {"host@", "@", false, "host", ""},
        {"no-delimiter", "@", false, "", "no-delimiter"},
        {"no-delimiter", "@", true, "no-delimiter", ""},
        {"", "/", true, "", ""},
        {"", "/", false, "", ""},
    };
    for (const SplitCase& c : cases) {
        std::string source = c.Source;
        EXPECT_EQ(SplitText(source, c.Delimiter, c.WholeIfMissing), c.Result) << c.Source;
        EXPECT_EQ(source, c.Rest) << c.Source;
    }
}

struct ParseCase {
    std::string Url;
    std::string Scheme, User, Password, Host;
    int32_t PortNumber;
    std::string Path, Document;
    std::vector<std::string> Params;
    std::string Fragment;
};

TEST(TURLTest, ParsesTargets)
{
    const std::vector<ParseCase> cases = {
        {"/", "", "", "", "", 0, "", "", {}, ""},
        {"/?cmd=1", "", "", "", "", 0, "", "", {"cmd=1"}, ""},
        {"/a/b/c.html?x=1&y", "", "", "", "", 0, "a/b", "c.html", {"x=1", "y="}, ""},
        {"/?a=1&&b=2&", "", "", "", "", 0, "", "", {"a=1", "b=2"}, ""},
        {"/?&&&", "", "", "", "", 0, "", "", {}, ""},
        {"/?", "", "", "", "", 0, "", "", {}, ""},
        {"/?a=b=c&=x", "", "", "", "", 0, "", "", {"a=b=c", "=x="}, ""},
        {"/dir/", "", "", "", "", 0, "dir", "", {}, ""},
        {"/control.js?cmd=4", "", "", "", "", 0, "", "control.js", {"cmd=4"}, ""},
        {"/sub/control.js", "", "", "", "", 0, "sub", "control.js", {}, ""},
        // Without any "/" the target is all host.
        {"index.html", "", "", "", "index.html", 0, "", "", {}, ""},
        // A "/" in the query moves the document past it and leaves no query.
        {"/?x=a/b", "", "", "", "", 0, "?x=a", "b", {}, ""},
        // An "@" anywhere takes what precedes it as user information.
        {"/?a=b@c", "", "/?a=b", "", "c", 0, "", "", {}, ""},
        {"/p?u=x:y@h/d", "", "/p?u=x", "y", "h", 0, "", "d", {}, ""},
        {"http://user:pa:ss@example:8080/dir/doc.html?q=1&r#frag", "http", "user", "pa:ss", "example", 8080, "dir",
         "doc.html", {"q=1", "r="}, "frag"},
        {"host:abc/x", "", "", "", "host", 0, "", "x", {}, ""},
        {"host:-5/", "", "", "", "host", -5, "", "", {}, ""},
        {"/x#f?y=1", "", "", "", "", 0, "", "x", {}, "f?y=1"},
        {"", "", "", "", "", 0, "", "", {}, ""},
    };
    for (const ParseCase& c : cases) {
        TURL url;
        url.Url = c.Url;
        url.Parse();
        SCOPED_TRACE(c.Url);
        EXPECT_EQ(url.Url, c.Url);
        EXPECT_EQ(url.Scheme, c.Scheme);
        EXPECT_EQ(url.User, c.User);
        EXPECT_EQ(url.Password, c.Password);
        EXPECT_EQ(url.Host, c.Host);
        EXPECT_EQ(url.PortNumber, c.PortNumber);
        EXPECT_EQ(url.Path, c.Path);
        EXPECT_EQ(url.Document, c.Document);
        EXPECT_EQ(url.Params, c.Params);
        EXPECT_EQ(url.Fragment, c.Fragment);
    }
}

TEST(TURLTest, ParseAgainReplacesEveryField)
{
    TURL url;
    url.Url = "http://u:p@h:1/a/b?x=1#f";
    url.Parse();
    url.Url = "/";
    url.Parse();
    EXPECT_EQ(url.Scheme, "");
    EXPECT_EQ(url.User, "");
    EXPECT_EQ(url.Password, "");
    EXPECT_EQ(url.Host, "");
    EXPECT_EQ(url.PortNumber, 0);
    EXPECT_EQ(url.Path, "");
    EXPECT_EQ(url.Document, "");
    EXPECT_TRUE(url.Params.empty());
    EXPECT_EQ(url.Fragment, "");
}

TEST(TURLTest, LooksUpTheFirstValueIgnoringCase)
{
    TURL url;
    url.Url = "/?CMD=3&cmd=4&Id=&speed=a=b&flag&x%41=1";
    url.Parse();
    EXPECT_EQ(url.ParamValue("cmd"), "3");
    EXPECT_EQ(url.ParamValue("cMd"), "3");
    EXPECT_EQ(url.ParamValue("id"), "");
    EXPECT_EQ(url.ParamValue("speed"), "a=b");
    EXPECT_EQ(url.ParamValue("flag"), "");
    EXPECT_EQ(url.ParamValue("xA"), ""); // no percent decoding
    EXPECT_EQ(url.ParamValue("x%41"), "1");
    EXPECT_EQ(url.ParamValue("preset"), "");
    EXPECT_EQ(url.ParamValue("c"), "");
}

TEST(EqualsIgnoringAsciiCaseTest, FoldsOnlyAsciiLetters)
{
    EXPECT_TRUE(EqualsIgnoringAsciiCase("Authorization: Basic ", "aUTHORIZATION: bASIC "));
    EXPECT_TRUE(EqualsIgnoringAsciiCase("", ""));
    EXPECT_FALSE(EqualsIgnoringAsciiCase("cmd", "cmd "));
    EXPECT_FALSE(EqualsIgnoringAsciiCase("[", "{")); // not letters, though 0x20 apart
    EXPECT_FALSE(EqualsIgnoringAsciiCase("\xC9", "\xE9"));
}

} // namespace
