#include "common/fileidentity.h"
#include "common/paths.h"

#include <sys/stat.h>

namespace kolshell {

namespace {

uint64_t Fnv1a(const std::string& bytes) {
    uint64_t h = 14695981039346656037ull;
    for (unsigned char c : bytes)
        h = (h ^ c) * 1099511628211ull;
    return h;
}

} // namespace

TFileIdentity TFileIdentity::Of(const std::string& path) {
    TFileIdentity id;
    struct stat st;
    std::string bytes;
    if (path.empty() || ::stat(path.c_str(), &st) != 0 || !ReadFileBytes(path, bytes)) return id;
    id.Exists = true;
    id.Size = uint64_t(st.st_size);
    id.ModifiedNs = int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    id.Hash = Fnv1a(bytes);
    return id;
}

// A touch that leaves the bytes as they were is no change.
bool TFileIdentity::operator!=(const TFileIdentity& o) const {
    return Exists != o.Exists || Size != o.Size || Hash != o.Hash;
}

} // namespace kolshell
