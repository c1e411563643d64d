#include "protocol/custom_command.h"

#include "protocol/frame_builder.h"

const std::array<const char*, kCustomCommandCount> kDefaultCommandCaptions = {
    "Menu",     "PTZ 1",    "PTZ 2",    "PTZ 3",    "Speed",    "Vector 1", "Vector 2", "Vector 3", "Start",
    "Vector 4", "Vector 5", "Vector 6", "End",      "Pattern1", "Pattern2", "Pattern3", "Pattern4",
};

const std::array<uint8_t, kCustomCommandCount> kDefaultPresetNumbers = {
    90, 80, 81, 82, 51, 83, 84, 85, 52, 86, 87, 88, 53, 131, 132, 133, 134,
};

void TCustomCommand::SetDefaults()
{
    Caption.clear();
    CommandType = ccPresetGoto;
    Bytes.fill(0);
    ByteCount = kCustomCommandMaxBytes;
    PresetNumber = 1;
}

void TCustomCommand::Assign(const TCustomCommand& other)
{
    Caption = other.Caption;
    CommandType = other.CommandType;
    Bytes = other.Bytes;
    ByteCount = other.ByteCount;
    PresetNumber = other.PresetNumber;
}

int PresetCommandCodeOf(int8_t commandType)
{
    switch (commandType) {
    case ccPresetGoto: return cmdPresetGoto;
    case ccPresetSet: return cmdPresetSet;
    case ccPresetClear: return cmdPresetClear;
    default: return -1;
    }
}
