// File names as the program speaks of them (Windows style, case-insensitive) mapped onto
// this platform's file system. Every file access of the program goes through here.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace kolshell {

// Converts a name to the form the disk is touched with: "\" becomes "/", a leading drive
// letter is dropped, and each component of an existing file or directory is found whatever
// its case (an exact match first). Components that do not exist keep the case given.
std::string NativePath(const std::string& name);

bool IsDirectory(const std::string& name);
// Whether two names lead to one existing file, whatever the case they are written in or the
// links on the way; false when either does not exist.
bool SameFile(const std::string& a, const std::string& b);
bool IsSeparator(char c);

// Name operations: both separators count.
std::string ExtractFileExt(const std::string& name); // ".ext" of the last name part, or ""
std::string ExtOf(const std::string& name);          // extension upper-cased, first four chars
// The folder and the file name up to its first "." (a dot in a folder name does not count).
std::string BaseName(const std::string& name);
bool FileNameHasDot(const std::string& name); // whether the file name (not its folder) has a "."
std::string ExtractFilePath(const std::string& name); // directory part with its separator
std::string ExtractFileDir(const std::string& name);  // directory part without the separator
std::string ExtractFileName(const std::string& name); // name part
std::string ChangeFileExt(const std::string& name, const std::string& ext);
// The directory, the file name up to its first "." (all of it when none), then ext: the
// backup, help and generated-deck names of a deck.
std::string ReplaceFromFirstDot(const std::string& name, const std::string& ext);
std::string JoinPath(const std::string& dir, const std::string& name);
std::string AbsolutePath(const std::string& name);

// A plain file (through links): not a folder, FIFO, socket or device, which a reader would
// wait on or read without end.
bool IsRegularFile(const std::string& name);
// Opens a plain file for reading without ever waiting on it: a FIFO, socket or device is
// refused (-1, errno EINVAL), as is a name that cannot be opened. The descriptor is the
// caller's to close; OpenRegularFileStream gives it as a stream to fclose instead.
int OpenRegularFile(const std::string& name);
std::FILE* OpenRegularFileStream(const std::string& name);

// Whole-file operations (plain files only). Text lines are split at LF with a CR before it dropped.
bool ReadFileBytes(const std::string& name, std::string& bytes);
bool ReadTextLines(const std::string& name, std::vector<std::string>& lines,
                   size_t maxLength = 255);
// The same from bytes in memory; each line cut to maxLength characters.
std::vector<std::string> SplitTextLines(const std::string& bytes,
                                        size_t maxLength = std::string::npos);
// A text file read a line at a time, split as ReadTextLines splits it, with only the line
// at hand in memory (cut to maxLength; the rest of a longer line is skipped unread into it).
class TTextLineReader {
  public:
    explicit TTextLineReader(size_t maxLength = 255) : max_(maxLength) {}
    ~TTextLineReader() { Close(); }
    TTextLineReader(const TTextLineReader&) = delete;
    TTextLineReader& operator=(const TTextLineReader&) = delete;
    bool Open(const std::string& name); // plain files only, as ReadFileBytes
    void Close();
    // The next line; false at the end of the file.
    bool Next(std::string& line);

  private:
    bool Fill();
    std::FILE* file_ = nullptr;
    size_t max_;
    std::vector<char> buf_;
    size_t at_ = 0, end_ = 0;
};

// Writes through a temporary file beside the target and renames it over, so the target is
// either the old or the new contents, never half written. Through a symbolic link the file
// it points to is written and the link stays; the file keeps its permission bits. A file
// that a rename would not keep whole (other hard links to it, an owner or group the saving
// user cannot give a new file) is written over in place once its new text has been written
// beside it, so its links, owner, group and mode stay. A file without write permission for
// its owner is refused and left as it was.
bool WriteFileAtomic(const std::string& name, const std::string& bytes);
// The same for contents made a part at a time: parts hands each to put, and says false
// (as put does when a write fails) to leave the target as it was.
using TFileWriter = std::function<bool(const std::string& bytes)>;
using TFileParts = std::function<bool(const TFileWriter& put)>;
bool WriteFileAtomic(const std::string& name, const TFileParts& parts);
// An existing file (through links) that a save must leave alone: no write permission.
bool IsReadOnlyFile(const std::string& name);
// "File " + name + " is read-only; it was not changed."
std::string ReadOnlyText(const std::string& name);
// The message after a failed WriteFileAtomic of name: the read-only text when that is why;
// else the real cause ("No space left on the device.", "The folder X cannot be written.")
// before otherwise.
std::string WriteFailureText(const std::string& name, const std::string& otherwise);
bool RemoveFile(const std::string& name);
// The next name prefix + number + ext after counter that no file in the current folder has
// (in any case); counter is moved on to its number.
std::string UnusedNumberedName(const std::string& prefix, const std::string& ext, int& counter);

// Plain files of a directory whose names match a wildcard pattern ("*.O*"), without regard
// to case, sorted by name. Hidden (dot) files are left out.
std::vector<std::string> FindFiles(const std::string& dir, const std::string& pattern);
bool MatchesWildcard(const std::string& name, const std::string& pattern);

std::string GetCurrentDir();
bool SetCurrentDir(const std::string& dir);

// The text of a failed file operation: the system's reason and the file's name.
std::string IoErrorText(const std::string& name, int err);

} // namespace kolshell
