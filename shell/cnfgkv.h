// The engine's switch file "CNFGKV.KOL": a first line carried over, then seven lines whose
// first character is "Y" or "N".
#pragma once

#include <array>
#include <string>

namespace kolshell {

constexpr size_t EngineSwitchCount = 7;
using EngineSwitches = std::array<bool, EngineSwitchCount>;

// The captions of the switches, in file order.
extern const std::array<const char*, EngineSwitchCount> EngineSwitchCaptions;

// Reads the seven switches (first character "Y" in any case); false when the file is missing.
bool ReadEngineSwitches(const std::string& fileName, EngineSwitches& on);

// Rewrites the seven switches of "CNFGKV.KOL" of dir (lines missing are added; the lines after
// the eighth are kept), its old contents kept as "CNFGKV.BAK". A read-only switch file is refused
// with nothing touched; when writing fails the switch file is left as it was. error says what
// failed.
bool RewriteEngineSwitches(const std::string& dir, const EngineSwitches& on, std::string* error);

} // namespace kolshell
