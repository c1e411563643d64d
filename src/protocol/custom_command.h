#pragma once

#include <array>
#include <cstdint>
#include <string>

// What a custom command button does; the value is also the editor's item index.
enum TCommandType : int8_t {
    ccUser = 0,
    ccPresetGoto = 1,
    ccPresetSet = 2,
    ccPresetClear = 3,
};

constexpr int kCustomCommandCount = 17;
constexpr int kCustomCommandMaxBytes = 12;

// One of the 17 user-definable buttons: raw bytes or a preset command.
struct TCustomCommand {
    std::string Caption;
    int8_t CommandType;
    std::array<uint8_t, kCustomCommandMaxBytes> Bytes;
    uint8_t ByteCount;
    uint8_t PresetNumber;

    TCustomCommand() { SetDefaults(); }

    void SetDefaults();
    // Copies every field, all 12 bytes whatever ByteCount says.
    void Assign(const TCustomCommand& other);
};

// A command handed from a web connection thread to the GUI thread.
struct TPelcoCommandItem {
    uint8_t Code;
    uint8_t DeviceID;
    uint8_t Parameter; // speed of a movement, number of a preset
};

// The standard command code a preset-type custom command sends, or -1 for
// a type that sends nothing.
[[nodiscard]] int PresetCommandCodeOf(int8_t commandType);

// Button i's caption and preset number when the settings file has none.
extern const std::array<const char*, kCustomCommandCount> kDefaultCommandCaptions;
extern const std::array<uint8_t, kCustomCommandCount> kDefaultPresetNumbers;
