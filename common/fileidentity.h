// Which version of a file a window holds: its size, modification time and a hash of its bytes,
// taken when the window reads or writes it, so that a change by another program is noticed.
#pragma once

#include <cstdint>
#include <string>

namespace kolshell {

struct TFileIdentity {
    bool Exists = false;
    uint64_t Size = 0;
    int64_t ModifiedNs = 0;
    uint64_t Hash = 0;

    static TFileIdentity Of(const std::string& path);
    // Another version: a file that appeared, went, or differs in size or bytes (a touch that
    // leaves the bytes as they were is none).
    bool operator!=(const TFileIdentity& o) const;
};

} // namespace kolshell
