#include "shell/wmf.h"

#include "common/codecs.h"

namespace kolshell {

namespace {
constexpr uint32_t PlaceableKey = 0x9AC6CDD7;
constexpr size_t PlaceableSize = 22, HeaderSize = 18;
constexpr size_t MaxRecords = 1000000;

uint16_t U16(const std::string& b, size_t at) {
    return uint16_t(GetInt16(BytesAt(b, at)));
}
uint32_t U32(const std::string& b, size_t at) {
    return uint32_t(GetInt32(BytesAt(b, at)));
}
} // namespace

int16_t TWmfRecord::Word(size_t i) const {
    if (2 * i + 1 >= Params.size()) return 0;
    return GetInt16(&Params[2 * i]);
}

uint32_t TWmfRecord::Dword(size_t i) const {
    if (2 * i + 3 >= Params.size()) return uint16_t(Word(i));
    return uint32_t(GetInt32(&Params[2 * i]));
}

bool ParseWmf(const std::string& b, TWmfFile& wmf, std::string& error) {
    wmf = TWmfFile();
    size_t at = 0;
    if (b.size() >= PlaceableSize && U32(b, 0) == PlaceableKey) {
        wmf.Placeable = true;
        wmf.Left = int16_t(U16(b, 6));
        wmf.Top = int16_t(U16(b, 8));
        wmf.Right = int16_t(U16(b, 10));
        wmf.Bottom = int16_t(U16(b, 12));
        wmf.Inch = U16(b, 14);
        at = PlaceableSize;
    }
    if (b.size() < at + HeaderSize || (U16(b, at) != 1 && U16(b, at) != 2) || U16(b, at + 2) != 9) {
        error = "it is not a Windows metafile";
        return false;
    }
    wmf.Objects = U16(b, at + 10);
    at += HeaderSize;
    while (at + 6 <= b.size() && wmf.Records.size() < MaxRecords) {
        const uint64_t bytes = uint64_t(U32(b, at)) * 2;
        const uint16_t function = U16(b, at + 4);
        if (bytes < 6 || bytes > b.size() - at) {
            error = "a record runs past the end of the file";
            return false;
        }
        if (function == wmfEOF) return true;
        TWmfRecord r;
        r.Function = function;
        r.Params.assign(b.begin() + long(at + 6), b.begin() + long(at + bytes));
        wmf.Records.push_back(std::move(r));
        at += size_t(bytes);
    }
    return true; // no end-of-file record: draw what there is
}

} // namespace kolshell
