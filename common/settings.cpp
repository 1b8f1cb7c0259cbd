#include "common/settings.h"

#include "common/codecs.h"
#include "common/layout.h"
#include "common/lib1.h"
#include "common/paths.h"

#include <cstring>

namespace kolshell {

// Nothing set up on a new machine: no command lines, no directories (an empty engine directory
// stands for the program's own engine folder).
TSettings DefaultSettings() {
    return TSettings();
}

namespace {

std::string CutBeforeMark(const std::string& s) {
    return s.substr(0, s.find(LinkBitmapMark));
}

// A link entry on disk: the application path, then the mark and the bitmap when it has one.
std::string LinkEntry(const TProgramDirs& d, size_t i) {
    std::string entry = CutBeforeMark(d.Links[i]);
    if (!d.LinkBitmaps[i].empty()) entry += LinkBitmapMark + d.LinkBitmaps[i];
    return entry;
}

void SetLink(TProgramDirs& d, size_t i, const std::string& entry,
             bool (*bitmapExists)(const std::string&)) {
    const size_t mark = entry.find(LinkBitmapMark);
    d.Links[i] = entry.substr(0, mark);
    if (mark == std::string::npos) return;
    const std::string bitmap = entry.substr(mark + 1);
    if (bitmapExists(bitmap)) d.LinkBitmaps[i] = bitmap;
}

constexpr size_t UnusedCommands = 6, LinkEntries = 5;

template <class IO> void OptionsLayout(IO& io, TOptions& o) {
    io.Int32(o.UnitSystem);
    io.Int32(o.IncludeHeader);
    io.Int32(o.IncludeSimulationCard);
    io.Byte(o.Engine32);
    io.Skip(OptionsSize - 13);
}

template <class IO> void UserCommandsLayout(IO& io, TUserCommands& u) {
    io.Str(u.Compile, 255);
    io.Str(u.Rebuild, 255);
    io.Str(u.User, 255);
    io.Skip(256 * UnusedCommands);
}

// The links block is read as far as the file holds it: a file that ends after the directory
// block leaves links, integers and bytes cleared. The count is written as 5 (four links and
// an empty fifth entry); more entries in a file than the five held are skipped over.
template <class IO>
void LinksLayout(IO& io, TProgramDirs& d, bool (*bitmapExists)(const std::string&)) {
    if (!io.Fits(4)) return;
    int32_t count = int32_t(LinkEntries);
    io.Int32(count);
    for (int32_t i = 0; i < count; ++i) {
        if (!io.Fits(256)) return;
        if (size_t(i) >= LinkEntries) {
            io.Skip(256);
            continue;
        }
        std::string entry = size_t(i) < LinkEntries - 1 ? LinkEntry(d, size_t(i)) : "";
        io.Str(entry, 255);
        if constexpr (IO::Reading) SetLink(d, size_t(i), entry, bitmapExists);
    }
    if (!io.Fits(50)) return;
    for (int32_t& v : d.Ints)
        io.Int32(v);
    io.Raw(d.Bytes);
}

template <class IO>
void ProgramDirsLayout(IO& io, TProgramDirs& d, bool (*bitmapExists)(const std::string&)) {
    for (std::string& dir : d.Dirs)
        io.Str(dir, 255);
    io.Skip(256); // a seventh directory entry, unused
    LinksLayout(io, d, bitmapExists);
}

template <class IO> void DftLayout(IO& io, TSettings& s, bool (*bitmapExists)(const std::string&)) {
    OptionsLayout(io, s.Options);
    UserCommandsLayout(io, s.UserCommands);
    ProgramDirsLayout(io, s.ProgramDirs, bitmapExists);
}

} // namespace

DftStatus DecodeDFT(const std::string& bytes, TSettings& settings,
                    bool (*bitmapExists)(const std::string&)) {
    if (bytes.size() < DftMinSize) return DftStatus::Damaged;
    TSettings s;
    TLayoutReader in(bytes);
    DftLayout(in, s, bitmapExists);
    s.ProgramDirs.LinkCount = 5;
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
    std::string out;
    TLayoutWriter w(out);
    DftLayout(w, const_cast<TSettings&>(s), nullptr); // the writer only reads the fields
    out.resize(DftSize, '\0');
    return out;
}

bool WriteDFT(const std::string& fileName, const TSettings& settings) {
    return WriteFileAtomic(fileName, EncodeDFT(settings));
}

} // namespace kolshell
