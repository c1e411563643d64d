#include "common/ini_file.h"

#include "common/atomic_file.h"
#include "common/str_to_int.h"

#include <algorithm>
#include <cerrno>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view TrimBlanks(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

char LowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return LowerAscii(x) == LowerAscii(y); });
}

// "[Name]" (blanks allowed around); false for any other line.
bool ParseSectionHeader(std::string_view line, std::string_view& name)
{
    line = TrimBlanks(line);
    if (!line.starts_with('['))
        return false;
    const size_t close = line.find(']');
    if (close == std::string_view::npos)
        return false;
    name = TrimBlanks(line.substr(1, close - 1));
    return true;
}

// "key=value": the key trimmed, the value everything after the first "=".
bool ParseKeyLine(std::string_view line, std::string_view& key, size_t& valueStart)
{
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos)
        return false;
    key = TrimBlanks(line.substr(0, equals));
    if (key.empty() || key.starts_with(';'))
        return false;
    valueStart = equals + 1;
    return true;
}

std::string OneLine(std::string_view text)
{
    std::string line(text);
    std::replace_if(line.begin(), line.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    return line;
}

int HexDigitValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The whole file, or false. A missing file (or a missing folder) reads as empty.
bool ReadWholeFile(const std::string& fileName, std::string& text)
{
    text.clear();
    // O_NONBLOCK so that a FIFO put in the file's place cannot hang the start-up.
    const int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return errno == ENOENT || errno == ENOTDIR;
    struct stat info {};
    bool ok = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    char buffer[16384];
    while (ok) {
        const ssize_t count = ::read(fd, buffer, sizeof buffer);
        if (count > 0)
            text.append(buffer, static_cast<size_t>(count));
        else if (count == 0)
            break;
        else if (errno != EINTR)
            ok = false;
    }
    ::close(fd);
    return ok;
}

} // namespace

TIniFile::TIniFile(std::string fileName) : FileNameValue(std::move(fileName))
{
    std::string text;
    ReadFailedValue = !ReadWholeFile(FileNameValue, text);
    if (!ReadFailedValue)
        Parse(text);
}

void TIniFile::Parse(std::string_view text)
{
    // Editors on other systems may put a byte order mark before the first header.
    if (text.starts_with(kUtf8ByteOrderMark))
        text.remove_prefix(kUtf8ByteOrderMark.size());
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view line = text.substr(start, end - start);
        start = end + 1;
        if (end < text.size() && text[end] == '\r' && start < text.size() && text[start] == '\n')
            ++start;

        std::string_view name;
        if (ParseSectionHeader(line, name))
            Sections.push_back(TSection{std::string(name), {}});
        else if (Sections.empty())
            Preamble.emplace_back(line);
        else
            Sections.back().Lines.emplace_back(line);
    }
}

const TIniFile::TSection* TIniFile::FindSection(std::string_view section) const
{
    const auto found =
        std::find_if(Sections.begin(), Sections.end(), [&](const TSection& s) { return SameName(s.Name, section); });
    return found == Sections.end() ? nullptr : &*found;
}

const std::string* TIniFile::FindValueLine(std::string_view section, std::string_view key, size_t& valueStart) const
{
    const TSection* found = FindSection(section);
    if (found == nullptr)
        return nullptr;
    for (const std::string& line : found->Lines) {
        std::string_view lineKey;
        if (ParseKeyLine(line, lineKey, valueStart) && SameName(lineKey, key))
            return &line;
    }
    return nullptr;
}

bool TIniFile::SectionExists(std::string_view section) const
{
    return FindSection(section) != nullptr;
}

bool TIniFile::ValueExists(std::string_view section, std::string_view key) const
{
    size_t valueStart = 0;
    return FindValueLine(section, key, valueStart) != nullptr;
}

std::string TIniFile::ReadString(std::string_view section, std::string_view key, std::string_view fallback) const
{
    size_t valueStart = 0;
    const std::string* line = FindValueLine(section, key, valueStart);
    return line == nullptr ? std::string(fallback) : line->substr(valueStart);
}

int32_t TIniFile::ReadInteger(std::string_view section, std::string_view key, int32_t fallback) const
{
    size_t valueStart = 0;
    const std::string* line = FindValueLine(section, key, valueStart);
    return line == nullptr ? fallback : StrToIntDef(std::string_view(*line).substr(valueStart), fallback);
}

bool TIniFile::ReadBool(std::string_view section, std::string_view key, bool fallback) const
{
    return ReadInteger(section, key, fallback ? 1 : 0) != 0;
}

std::vector<uint8_t> TIniFile::ReadBytes(std::string_view section, std::string_view key) const
{
    return HexTextToBytes(ReadString(section, key, ""));
}

void TIniFile::WriteString(std::string_view section, std::string_view key, std::string_view value)
{
    const std::string cleanKey = OneLine(TrimBlanks(key));
    std::string line = cleanKey + "=" + OneLine(value);

    auto found =
        std::find_if(Sections.begin(), Sections.end(), [&](const TSection& s) { return SameName(s.Name, section); });
    if (found == Sections.end()) {
        Sections.push_back(TSection{OneLine(section), {}});
        found = std::prev(Sections.end());
    }
    std::vector<std::string>& lines = found->Lines;
    for (std::string& existing : lines) {
        std::string_view lineKey;
        size_t valueStart = 0;
        if (ParseKeyLine(existing, lineKey, valueStart) && SameName(lineKey, cleanKey)) {
            existing = std::move(line);
            return;
        }
    }
    // After the last line with content, so a blank line before the next section stays there.
    auto insertAt = lines.end();
    while (insertAt != lines.begin() && TrimBlanks(*std::prev(insertAt)).empty())
        --insertAt;
    lines.insert(insertAt, std::move(line));
}

void TIniFile::WriteInteger(std::string_view section, std::string_view key, int32_t value)
{
    WriteString(section, key, std::to_string(value));
}

void TIniFile::WriteBool(std::string_view section, std::string_view key, bool value)
{
    WriteString(section, key, value ? "1" : "0");
}

void TIniFile::WriteBytes(std::string_view section, std::string_view key, const uint8_t* bytes, size_t count)
{
    WriteString(section, key, BytesToHexText(bytes, count));
}

void TIniFile::EraseSection(std::string_view section)
{
    // Every copy: a second one further down would otherwise surface in its place.
    std::erase_if(Sections, [&](const TSection& s) { return SameName(s.Name, section); });
}

std::string TIniFile::Text() const
{
    std::string text;
    auto append = [&text](std::string_view line) {
        text += line;
        text += kLineEnd;
    };
    for (const std::string& line : Preamble)
        append(line);
    for (const TSection& section : Sections) {
        append("[" + section.Name + "]");
        for (const std::string& line : section.Lines)
            append(line);
    }
    return text;
}

bool TIniFile::UpdateFile() const
{
    if (ReadFailedValue) {
        errno = EIO;
        return false;
    }
    // The station's settings hold the web panel's password.
    return WriteFileAtomically(FileNameValue, Text(), TNewFileAccess::OwnerOnly);
}

std::string BytesToHexText(const uint8_t* bytes, size_t count)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(2 * count);
    for (size_t i = 0; i < count; ++i) {
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 0x0F];
    }
    return text;
}

std::vector<uint8_t> HexTextToBytes(std::string_view text)
{
    std::vector<uint8_t> bytes(text.size() / 2);
    for (size_t i = 0; i < bytes.size(); ++i) {
        const int high = HexDigitValue(text[2 * i]);
        const int low = HexDigitValue(text[2 * i + 1]);
        bytes[i] = high < 0 || low < 0 ? 0 : static_cast<uint8_t>(high << 4 | low);
    }
    return bytes;
}
