// The settings records and the binary defaults file "KOLSHELL.DFT" that holds them.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace kolshell {

struct TOptions {
    int32_t UnitSystem = 1; // 1 primary (SI), 2 secondary (English)
    int32_t IncludeHeader = 0;
    int32_t IncludeSimulationCard = 0;
    uint8_t Engine32 = 1;
};

struct TUserCommands {
    std::string Compile, Rebuild, User;
};

// Directory entries in the order of the Directories page.
enum ProgramDir { pdEngine, pdFlowdraw, pdZonekit, pdZoner, pdModlib, pdGridcalc, pdCount };

struct TProgramDirs {
    std::array<std::string, pdCount> Dirs;
    int32_t LinkCount = 5;
    std::array<std::string, 5> Links;       // application paths, cut before any code-1 char
    std::array<std::string, 5> LinkBitmaps; // button bitmaps, empty when none
    std::array<int32_t, 10> Ints{};         // carried unchanged
    std::array<uint8_t, 10> Bytes{};        // carried unchanged
};

struct TSettings {
    TOptions Options;
    TUserCommands UserCommands;
    TProgramDirs ProgramDirs;
};

constexpr size_t OptionsSize = 20;
constexpr size_t UserCommandsSize = 2304;
constexpr size_t ProgramDirsSize = 3128;
constexpr size_t DftSize = OptionsSize + UserCommandsSize + ProgramDirsSize; // 5452
constexpr size_t DftMinSize = OptionsSize + UserCommandsSize + 1792;         // up to the links
constexpr char LinkBitmapMark = '\x01';

// The settings a fresh installation starts with, as the Setup dialog's defaults show them.
TSettings DefaultSettings();

enum class DftStatus { Ok, Missing, Damaged };

// Reads a defaults file. A file that ends after the directory block leaves links, integers
// and bytes cleared; a bitmap that no longer exists is dropped. A file too short to hold the
// directory block is Damaged: the settings are left as they were and error says why.
DftStatus ReadDFT(const std::string& fileName, TSettings& settings, std::string* error = nullptr);
// Decodes the bytes of a defaults file; bitmapExists decides whether a bitmap is kept.
DftStatus DecodeDFT(const std::string& bytes, TSettings& settings,
                    bool (*bitmapExists)(const std::string&));

// The 5452 bytes of a defaults file holding these settings.
std::string EncodeDFT(const TSettings& settings);
bool WriteDFT(const std::string& fileName, const TSettings& settings);

} // namespace kolshell
