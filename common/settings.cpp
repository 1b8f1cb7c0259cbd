#include "common/settings.h"

#include "common/codecs.h"
#include "common/lib1.h"
#include "common/paths.h"

#include <cstring>

// Nothing set up on a new machine: no command lines, no directories (an empty engine directory
// stands for the program's own engine folder).
TSettings DefaultSettings() {
    return TSettings();
}

namespace {

std::string CutBeforeMark(const std::string& s) {
    return s.substr(0, s.find(LinkBitmapMark));
}

void DecodeLinks(const uint8_t* data, size_t size, size_t pos, TProgramDirs& d,
                 bool (*bitmapExists)(const std::string&)) {
    if (pos + 4 > size) return;
    const int32_t count = GetInt32(data + pos);
    pos += 4;
    // Never more than the five entries we hold; any further entries are skipped over.
    for (int32_t i = 0; i < count; ++i, pos += 256) {
        if (pos + 256 > size) return;
        if (i >= 5) continue;
        const std::string entry = GetShortString(data + pos);
        const size_t mark = entry.find(LinkBitmapMark);
        d.Links[size_t(i)] = entry.substr(0, mark);
        if (mark != std::string::npos) {
            const std::string bitmap = entry.substr(mark + 1);
            if (bitmapExists(bitmap)) d.LinkBitmaps[size_t(i)] = bitmap;
        }
    }
    if (pos + 50 > size) return;
    for (size_t i = 0; i < 10; ++i)
        d.Ints[i] = GetInt32(data + pos + 4 * i);
    std::memcpy(d.Bytes.data(), data + pos + 40, 10);
}

} // namespace

DftStatus DecodeDFT(const std::string& bytes, TSettings& settings,
                    bool (*bitmapExists)(const std::string&)) {
    if (bytes.size() < DftMinSize) return DftStatus::Damaged;
    const uint8_t* p = reinterpret_cast<const uint8_t*>(bytes.data());
    TSettings s;
    s.Options.UnitSystem = GetInt32(p);
    s.Options.IncludeHeader = GetInt32(p + 4);
    s.Options.IncludeSimulationCard = GetInt32(p + 8);
    s.Options.Engine32 = p[12];
    const uint8_t* uc = p + OptionsSize;
    s.UserCommands.Compile = GetShortString(uc);
    s.UserCommands.Rebuild = GetShortString(uc + 256);
    s.UserCommands.User = GetShortString(uc + 512);
    const uint8_t* pd = uc + UserCommandsSize;
    for (size_t i = 0; i < pdCount; ++i)
        s.ProgramDirs.Dirs[i] = GetShortString(pd + 256 * i);
    s.ProgramDirs.LinkCount = 5;
    DecodeLinks(p, bytes.size(), OptionsSize + UserCommandsSize + 1792, s.ProgramDirs,
                bitmapExists);
    settings = s;
    return DftStatus::Ok;
}

DftStatus ReadDFT(const std::string& fileName, TSettings& settings, std::string* error) {
    if (!FileExists(fileName)) return DftStatus::Missing;
    std::string bytes;
    if (!ReadFileBytes(fileName, bytes)) return DftStatus::Missing;
    const DftStatus st = DecodeDFT(bytes, settings, FileExists);
    if (st == DftStatus::Damaged && error)
        *error = "The defaults file " + fileName + " is damaged: it holds " +
                 std::to_string(bytes.size()) + " bytes, at least " + std::to_string(DftMinSize) +
                 " are needed.";
    return st;
}

std::string EncodeDFT(const TSettings& s) {
    std::string out(DftSize, '\0');
    uint8_t* p = reinterpret_cast<uint8_t*>(out.data());
    PutInt32(p, s.Options.UnitSystem);
    PutInt32(p + 4, s.Options.IncludeHeader);
    PutInt32(p + 8, s.Options.IncludeSimulationCard);
    p[12] = s.Options.Engine32;
    uint8_t* uc = p + OptionsSize;
    PutShortString(uc, s.UserCommands.Compile);
    PutShortString(uc + 256, s.UserCommands.Rebuild);
    PutShortString(uc + 512, s.UserCommands.User);
    for (size_t i = 3; i < 9; ++i)
        PutShortString(uc + 256 * i, "");
    uint8_t* pd = uc + UserCommandsSize;
    for (size_t i = 0; i < pdCount; ++i)
        PutShortString(pd + 256 * i, s.ProgramDirs.Dirs[i]);
    PutShortString(pd + 1536, "");
    PutInt32(pd + 1792, 5);
    for (size_t i = 0; i < 4; ++i) {
        std::string entry = CutBeforeMark(s.ProgramDirs.Links[i]);
        if (!s.ProgramDirs.LinkBitmaps[i].empty())
            entry += LinkBitmapMark + s.ProgramDirs.LinkBitmaps[i];
        PutShortString(pd + 1796 + 256 * i, entry);
    }
    PutShortString(pd + 1796 + 256 * 4, "");
    for (size_t i = 0; i < 10; ++i)
        PutInt32(pd + 3076 + 4 * i, s.ProgramDirs.Ints[i]);
    std::memcpy(pd + 3116, s.ProgramDirs.Bytes.data(), 10);
    return out;
}

bool WriteDFT(const std::string& fileName, const TSettings& settings) {
    return WriteFileAtomic(fileName, EncodeDFT(settings));
}
