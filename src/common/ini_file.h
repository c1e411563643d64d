#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The settings file: "[Section]" lines, each followed by "key=value" lines.
// Section and key names are matched without regard to case; values are taken
// verbatim after the first "=", 8-bit, no quoting or conversion. The file is
// read whole at construction and changed in memory; UpdateFile writes it back
// in one piece. Lines the program does not know (other sections, comments)
// survive a save.
class TIniFile {
public:
    // Reads the file; a missing file is an empty one.
    explicit TIniFile(std::string fileName);

    [[nodiscard]] const std::string& FileName() const { return FileNameValue; }
    // The file exists but could not be read (a folder, no permission, an I/O
    // error). UpdateFile then refuses, so that contents never seen are not
    // replaced.
    [[nodiscard]] bool ReadFailed() const { return ReadFailedValue; }

    [[nodiscard]] bool SectionExists(std::string_view section) const;
    [[nodiscard]] bool ValueExists(std::string_view section, std::string_view key) const;

    [[nodiscard]] std::string ReadString(std::string_view section, std::string_view key,
                                         std::string_view fallback) const;
    // Decimal, or hex after "$", "0x" or "0X" (StrToIntDef); anything else gives `fallback`.
    [[nodiscard]] int32_t ReadInteger(std::string_view section, std::string_view key, int32_t fallback) const;
    // An integer as above; anything but 0 is true.
    [[nodiscard]] bool ReadBool(std::string_view section, std::string_view key, bool fallback) const;
    // The value through HexTextToBytes; a missing key gives no bytes.
    [[nodiscard]] std::vector<uint8_t> ReadBytes(std::string_view section, std::string_view key) const;

    // A new key goes after the last key of its section (a new section at the end
    // of the file); an existing key keeps its place. A line end inside a value
    // would start a forged line, so CR and LF are written as blanks.
    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    void WriteInteger(std::string_view section, std::string_view key, int32_t value);
    void WriteBool(std::string_view section, std::string_view key, bool value);
    void WriteBytes(std::string_view section, std::string_view key, const uint8_t* bytes, size_t count);

    // Removes the section with its header and every line in it.
    void EraseSection(std::string_view section);

    // The file as UpdateFile writes it: every line ended by CR LF.
    [[nodiscard]] std::string Text() const;
    // Writes the file atomically (see WriteFileAtomically); a new file is
    // readable by its owner only. False leaves the file on disk as it was;
    // errno tells why.
    [[nodiscard]] bool UpdateFile() const;

private:
    struct TSection {
        std::string Name;
        std::vector<std::string> Lines; // raw lines after the header
    };

    void Parse(std::string_view text);
    [[nodiscard]] const TSection* FindSection(std::string_view section) const;
    [[nodiscard]] const std::string* FindValueLine(std::string_view section, std::string_view key,
                                                   size_t& valueStart) const;

    std::string FileNameValue;
    bool ReadFailedValue = false;
    std::vector<std::string> Preamble; // lines before the first section header
    std::vector<TSection> Sections;
};

// Bytes as settings text: two upper-case hex digits per byte, no separator.
[[nodiscard]] std::string BytesToHexText(const uint8_t* bytes, size_t count);

// Settings text back to bytes: half as many bytes as characters (an odd last
// digit is ignored), digits of either case. A pair that is not two hex digits
// gives the byte 0, so the count and the position of every later byte still
// hold.
[[nodiscard]] std::vector<uint8_t> HexTextToBytes(std::string_view text);
