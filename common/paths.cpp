#include "common/paths.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace kolshell {

namespace fs = std::filesystem;

namespace {

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

bool SameNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

std::vector<std::string> SplitComponents(const std::string& path) {
    std::vector<std::string> parts;
    std::string cur;
    for (char c : path) {
        if (c == '/') {
            if (!cur.empty()) parts.push_back(cur);
            cur.clear();
        } else {
            cur.push_back(c);
        }
    }
    if (!cur.empty()) parts.push_back(cur);
    return parts;
}

bool Exists(const std::string& p) {
    std::error_code ec;
    return fs::exists(fs::path(p), ec);
}

// Finds an entry of dir named like want without regard to case; empty when none.
std::string FindNoCase(const std::string& dir, const std::string& want) {
    std::error_code ec;
    fs::directory_iterator it(dir.empty() ? "." : dir, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        const std::string n = it->path().filename().string();
        if (SameNoCase(n, want)) return n;
    }
    return {};
}

} // namespace

bool IsSeparator(char c) {
    return c == '/' || c == '\\';
}

std::string NativePath(const std::string& name) {
    std::string p = name;
    std::replace(p.begin(), p.end(), '\\', '/');
    if (p.size() >= 2 && p[1] == ':' && std::isalpha(static_cast<unsigned char>(p[0])))
        p = p.size() == 2 ? "/" : p.substr(2);
    if (p.empty() || Exists(p)) return p;
    const bool absolute = p[0] == '/';
    std::string result = absolute ? "/" : "";
    bool resolving = true;
    for (const std::string& part : SplitComponents(p)) {
        std::string next =
            result.empty() || result.back() == '/' ? result + part : result + "/" + part;
        if (resolving && !Exists(next) && part != "." && part != "..") {
            const std::string found = FindNoCase(result.empty() ? "." : result, part);
            if (found.empty())
                resolving = false;
            else
                next =
                    result.empty() || result.back() == '/' ? result + found : result + "/" + found;
        }
        result = next;
    }
    if (!p.empty() && p.back() == '/' && (result.empty() || result.back() != '/')) result += "/";
    return result;
}

bool IsDirectory(const std::string& name) {
    if (name.empty()) return false;
    std::error_code ec;
    return fs::is_directory(fs::path(NativePath(name)), ec);
}

bool SameFile(const std::string& a, const std::string& b) {
    if (a.empty() || b.empty()) return false;
    std::error_code ec;
    return fs::equivalent(fs::path(NativePath(a)), fs::path(NativePath(b)), ec) && !ec;
}

namespace {
size_t LastSeparator(const std::string& name) {
    size_t i = name.find_last_of("/\\");
    if (i == std::string::npos && name.size() >= 2 && name[1] == ':') return 1;
    return i;
}
} // namespace

std::string ExtractFileExt(const std::string& name) {
    size_t sep = LastSeparator(name);
    size_t dot = name.rfind('.');
    if (dot == std::string::npos || (sep != std::string::npos && dot < sep)) return {};
    return name.substr(dot);
}

std::string ExtOf(const std::string& name) {
    std::string e = ExtractFileExt(name).substr(0, 4);
    for (char& c : e)
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    return e;
}

std::string BaseName(const std::string& name) {
    return ReplaceFromFirstDot(name, "");
}

bool FileNameHasDot(const std::string& name) {
    return ExtractFileName(name).find('.') != std::string::npos;
}

std::string ExtractFilePath(const std::string& name) {
    size_t sep = LastSeparator(name);
    return sep == std::string::npos ? std::string() : name.substr(0, sep + 1);
}

std::string ExtractFileDir(const std::string& name) {
    std::string d = ExtractFilePath(name);
    if (d.size() > 1 && IsSeparator(d.back()) && d[d.size() - 2] != ':') d.pop_back();
    return d;
}

std::string ExtractFileName(const std::string& name) {
    size_t sep = LastSeparator(name);
    return sep == std::string::npos ? name : name.substr(sep + 1);
}

std::string ChangeFileExt(const std::string& name, const std::string& ext) {
    std::string e = ExtractFileExt(name);
    return name.substr(0, name.size() - e.size()) + ext;
}

std::string JoinPath(const std::string& dir, const std::string& name) {
    if (dir.empty()) return name;
    if (IsSeparator(dir.back())) return dir + name;
    return dir + "/" + name;
}

std::string AbsolutePath(const std::string& name) {
    std::string p = NativePath(name);
    if (!p.empty() && p[0] == '/') return p;
    return JoinPath(GetCurrentDir(), p);
}

bool IsRegularFile(const std::string& name) {
    struct stat st;
    return !name.empty() && ::stat(NativePath(name).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

int OpenRegularFile(const std::string& name) {
    if (name.empty()) return -1;
    // O_NONBLOCK: opening a FIFO with no writer would otherwise wait for one for ever.
    const int fd = ::open(NativePath(name).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        errno = EINVAL;
        return -1;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

std::FILE* OpenRegularFileStream(const std::string& name) {
    const int fd = OpenRegularFile(name);
    if (fd < 0) return nullptr;
    std::FILE* f = ::fdopen(fd, "rb");
    if (!f) ::close(fd);
    return f;
}

bool ReadFileBytes(const std::string& name, std::string& bytes) {
    const int fd = OpenRegularFile(name);
    if (fd < 0) return false;
    struct stat st;
    bytes.clear();
    if (::fstat(fd, &st) == 0 && st.st_size > 0) bytes.reserve(size_t(st.st_size));
    char buf[65536];
    bool ok = true;
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        bytes.append(buf, size_t(n));
    }
    ::close(fd);
    return ok;
}

bool TTextLineReader::Open(const std::string& name) {
    Close();
    file_ = OpenRegularFileStream(name);
    buf_.resize(65536);
    return file_ != nullptr;
}

void TTextLineReader::Close() {
    if (file_) std::fclose(file_);
    file_ = nullptr;
    at_ = end_ = 0;
}

bool TTextLineReader::Fill() {
    at_ = 0;
    end_ = file_ ? std::fread(buf_.data(), 1, buf_.size(), file_) : 0;
    return end_ > 0;
}

bool TTextLineReader::Next(std::string& line) {
    line.clear();
    bool any = false, cr = false;
    while (at_ < end_ || Fill()) {
        any = true;
        const char* from = buf_.data() + at_;
        const char* nl = static_cast<const char*>(std::memchr(from, '\n', end_ - at_));
        const size_t len = size_t((nl ? nl : buf_.data() + end_) - from);
        if (len > 0) cr = from[len - 1] == '\r';
        // A CR kept at the cut is taken off below only when it ends the line.
        if (line.size() <= max_) line.append(from, std::min(len, max_ + 1 - line.size()));
        at_ += len + (nl ? 1 : 0);
        if (nl) break;
    }
    if (cr && !line.empty() && line.back() == '\r' && line.size() <= max_) line.pop_back();
    if (line.size() > max_) line.resize(max_);
    return any;
}

std::vector<std::string> SplitTextLines(const std::string& bytes, size_t maxLength) {
    std::vector<std::string> lines;
    // Room for every line at once: a file of many short lines is then not copied over and
    // over while it is split.
    lines.reserve(size_t(std::count(bytes.begin(), bytes.end(), '\n')) + 1);
    size_t start = 0;
    while (start < bytes.size()) {
        const size_t nl = bytes.find('\n', start);
        const size_t end = nl == std::string::npos ? bytes.size() : nl;
        size_t len = end - start;
        if (len > 0 && bytes[end - 1] == '\r') --len;
        lines.push_back(bytes.substr(start, std::min(len, maxLength)));
        if (nl == std::string::npos) break;
        start = nl + 1;
    }
    return lines;
}

bool ReadTextLines(const std::string& name, std::vector<std::string>& lines, size_t maxLength) {
    std::string bytes;
    if (!ReadFileBytes(name, bytes)) return false;
    lines = SplitTextLines(bytes, maxLength);
    return true;
}

namespace {

// The file a name stands for: symbolic links followed (a relative link from its own folder)
// to the last one, which need not exist yet.
std::string FollowLinks(const std::string& name) {
    fs::path p(name);
    std::error_code ec;
    for (int hops = 0; hops < 40 && fs::is_symlink(fs::symlink_status(p, ec)); ++hops) {
        const fs::path to = fs::read_symlink(p, ec);
        if (ec) break;
        p = to.is_absolute() ? to : p.parent_path() / to;
    }
    return p.string();
}

bool ReadOnlyMode(const std::string& file) {
    struct stat st;
    if (::stat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    // The owner's write bit is the file's read-only mark: root could write such a file
    // anyway, so the bit decides, not only access().
    return (st.st_mode & S_IWUSR) == 0 || ::access(file.c_str(), W_OK) != 0;
}

bool WriteBytes(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += size_t(n);
    }
    return true;
}

// Why the last write of this thread failed: the system's error and whether it was the
// folder (no temporary file could be made there) rather than the file.
thread_local int lastWriteError = 0;
thread_local bool lastWriteInFolder = false;

bool Failed(int err, bool inFolder) {
    lastWriteError = err;
    lastWriteInFolder = inFolder;
    errno = err;
    return false;
}

// A hidden name beside the target that stays within the file system's name limit however
// long the target's name is.
std::string TemporaryName(const std::string& target) {
    const fs::path p(target);
    std::string name = p.filename().string();
    if (name.size() > 200) name.resize(200);
    const fs::path dir = p.parent_path();
    return (dir / (".~" + name + "." + std::to_string(::getpid()) + ".tmp")).string();
}

// A new file beside the target holding the parts' bytes, with the target's permission bits
// and owner when it exists; empty (errno set) when it cannot be made.
std::string WriteTemporary(const std::string& target, const TFileParts& parts, bool& sameOwner) {
    const std::string temp = TemporaryName(target);
    ::unlink(temp.c_str()); // a stale one from an interrupted save; a directory stays
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) return {};
    struct stat st, made;
    sameOwner = true;
    if (::stat(target.c_str(), &st) == 0) {
        // Only root may keep another user's ownership; the bits are set after it, as a change
        // of owner clears the set-id bits.
        [[maybe_unused]] const int owned = ::fchown(fd, st.st_uid, st.st_gid);
        ::fchmod(fd, st.st_mode & 07777);
        sameOwner = ::fstat(fd, &made) == 0 && made.st_uid == st.st_uid && made.st_gid == st.st_gid;
    }
    const bool written =
        parts([fd](const std::string& bytes) { return WriteBytes(fd, bytes); }) && ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    if (written && closed) return temp;
    const int err = errno;
    ::unlink(temp.c_str());
    errno = err;
    return {};
}

// A file that a rename would not replace whole: it has other names (hard links) or an owner
// or group the new file could not get. It is written over in place instead.
bool KeepInPlace(const std::string& target, bool sameOwner) {
    struct stat st;
    return ::stat(target.c_str(), &st) == 0 && (st.st_nlink > 1 || !sameOwner);
}

// Writes the bytes over the file itself; on failure its old contents are put back.
bool WriteInPlace(const std::string& target, const std::string& bytes) {
    std::string old;
    std::ifstream in(target, std::ios::binary);
    old.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    const int fd = ::open(target.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0) return Failed(errno, false);
    if (WriteBytes(fd, bytes) && ::close(fd) == 0) return true;
    const int err = errno;
    if (::ftruncate(fd, 0) == 0 && ::lseek(fd, 0, SEEK_SET) == 0) WriteBytes(fd, old);
    ::close(fd);
    return Failed(err, false);
}

} // namespace

bool IsReadOnlyFile(const std::string& name) {
    return !name.empty() && ReadOnlyMode(FollowLinks(NativePath(name)));
}

std::string ReadOnlyText(const std::string& name) {
    return "File " + name + " is read-only; it was not changed.";
}

std::string WriteFailureText(const std::string& name, const std::string& otherwise) {
    if (IsReadOnlyFile(name)) return ReadOnlyText(name);
    if (lastWriteError == ENOSPC || lastWriteError == EDQUOT)
        return "No space left on the device.  " + otherwise;
    if (lastWriteInFolder &&
        (lastWriteError == EACCES || lastWriteError == EPERM || lastWriteError == EROFS))
        return "The folder " + ExtractFileDir(AbsolutePath(name)) + " cannot be written.  " +
               otherwise;
    return otherwise;
}

bool WriteFileAtomic(const std::string& name, const std::string& bytes) {
    return WriteFileAtomic(name, [&bytes](const TFileWriter& put) { return put(bytes); });
}

bool WriteFileAtomic(const std::string& name, const TFileParts& parts) {
    lastWriteError = 0;
    if (name.empty()) return Failed(ENOENT, false);
    const std::string target = FollowLinks(NativePath(name));
    if (IsDirectory(target)) return Failed(EISDIR, false);
    if (ReadOnlyMode(target)) return Failed(EACCES, false);
    bool sameOwner = true;
    const std::string temp = WriteTemporary(target, parts, sameOwner);
    if (temp.empty()) return Failed(errno, errno != ENOSPC && errno != EDQUOT && errno != EIO);
    if (KeepInPlace(target, sameOwner)) {
        // The whole text fitted beside it, so writing it over the file will fit too.
        std::ifstream in(temp, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
        const bool written = in.good() || in.eof() ? WriteInPlace(target, bytes) : false;
        const int err = errno;
        ::unlink(temp.c_str());
        return written || Failed(err, false);
    }
    if (::rename(temp.c_str(), target.c_str()) != 0) {
        const int err = errno;
        ::unlink(temp.c_str());
        return Failed(err, true);
    }
    return true;
}

std::string UnusedNumberedName(const std::string& prefix, const std::string& ext, int& counter) {
    std::string name;
    std::error_code ec;
    do
        name = prefix + std::to_string(++counter) + ext;
    while (fs::exists(fs::symlink_status(NativePath(name), ec)));
    return name;
}

bool RemoveFile(const std::string& name) {
    std::error_code ec;
    return fs::remove(NativePath(name), ec) && !ec;
}

bool MatchesWildcard(const std::string& name, const std::string& pattern) {
    // Iterative '*'/'?' matching without regard to case.
    size_t n = 0, p = 0, star = std::string::npos, mark = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || Lower(pattern[p]) == Lower(name[n]))) {
            ++n, ++p;
        } else if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            mark = n;
        } else if (star != std::string::npos) {
            p = star + 1;
            n = ++mark;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

std::vector<std::string> FindFiles(const std::string& dir, const std::string& pattern) {
    std::vector<std::string> names;
    std::error_code ec;
    const std::string d = dir.empty() ? "." : NativePath(dir);
    fs::directory_iterator it(d, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        std::error_code ec2;
        if (!it->is_regular_file(ec2)) continue;
        const std::string n = it->path().filename().string();
        // Dot files are this platform's hidden files: never listed.
        if (!n.empty() && n[0] != '.' && MatchesWildcard(n, pattern)) names.push_back(n);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string GetCurrentDir() {
    std::error_code ec;
    return fs::current_path(ec).string();
}

bool SetCurrentDir(const std::string& dir) {
    if (dir.empty()) return false;
    return ::chdir(NativePath(dir).c_str()) == 0;
}

std::string IoErrorText(const std::string& name, int err) {
    return "Input/output error (" + std::string(std::strerror(err)) + ") on file " + name;
}

std::string ReplaceFromFirstDot(const std::string& name, const std::string& ext) {
    const std::string file = ExtractFileName(name);
    return ExtractFilePath(name) + file.substr(0, file.find('.')) + ext;
}

} // namespace kolshell
