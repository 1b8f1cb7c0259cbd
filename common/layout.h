// A binary record stated once. A layout function names the record's fields in file order,
// each with its size and codec, and is run with a TLayoutReader to read the record or with
// a TLayoutWriter to write it, so the two can never disagree:
//
//     template <class IO> void PointLayout(IO& io, TPoint& p) {
//         io.Int32(p.X);
//         io.Int32(p.Y);
//         io.Skip(2); // unused, zero on disk
//     }
//
// All numbers are little-endian. IO::Reading tells a layout which way it runs, for what only
// one direction does (checks on reading, defaults on writing).
#pragma once

#include "common/textfile.h"

#include "common/codecs.h"
#include "common/lib1.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace kolshell {

// Reads fields one after the other from a block of bytes. A field past the end reads as
// zeros (Fits tells beforehand whether a record is there at all).
class TLayoutReader {
  public:
    static constexpr bool Reading = true;

    explicit TLayoutReader(std::string_view bytes, size_t pos = 0)
        : p_(reinterpret_cast<const uint8_t*>(bytes.data())), size_(bytes.size()), pos_(pos) {}

    bool Fits(size_t n) const { return pos_ <= size_ && size_ - pos_ >= n; }
    size_t Pos() const { return pos_; }
    void Skip(size_t n) { pos_ += n; }

    void Byte(uint8_t& v) { v = *Take(1); }
    void Int16(int16_t& v) { v = GetInt16(Take(2)); }
    void Int32(int32_t& v) { v = GetInt32(Take(4)); }
    void Word32(uint32_t& v) { v = uint32_t(GetInt32(Take(4))); }
    // string[n]: a length byte and n characters. False when the length byte says more than n
    // (the string is then read as n characters).
    bool Str(std::string& s, size_t n) {
        const uint8_t* p = Take(n + 1);
        s = GetString(p, n);
        return p[0] <= n;
    }
    void Ext(Extended& v) {
        Extended80Bytes b;
        std::memcpy(b.data(), Take(10), 10);
        v = DecodeExtended(b);
    }
    template <size_t N> void Raw(std::array<uint8_t, N>& a) { std::memcpy(a.data(), Take(N), N); }
    void Raw(uint8_t* to, size_t n) {
        if (Fits(n))
            std::memcpy(to, p_ + pos_, n);
        else
            std::memset(to, 0, n);
        pos_ += n;
    }

  private:
    // The next n bytes (at most 256), or zeros where the block has ended.
    const uint8_t* Take(size_t n) {
        static const uint8_t zeros[256] = {};
        const uint8_t* at = Fits(n) ? p_ + pos_ : zeros;
        pos_ += n;
        return at;
    }

    const uint8_t* p_;
    size_t size_, pos_;
};

// Appends fields one after the other to a string of bytes; skipped bytes are zeros.
class TLayoutWriter {
  public:
    static constexpr bool Reading = false;

    explicit TLayoutWriter(std::string& out) : out_(out) {}

    bool Fits(size_t) const { return true; }
    size_t Pos() const { return out_.size(); }
    void Skip(size_t n) { out_.append(n, '\0'); }

    void Byte(const uint8_t& v) { out_.push_back(char(v)); }
    void Int16(const int16_t& v) { PutInt16(Take(2), v); }
    void Int32(const int32_t& v) { PutInt32(Take(4), v); }
    void Word32(const uint32_t& v) { PutInt32(Take(4), int32_t(v)); }
    // A text longer than its field is cut before a whole character, never inside one.
    bool Str(const std::string& s, size_t n) {
        PutString(Take(n + 1), s.size() > n ? WholeCharactersWithin(s, n) : s, n);
        return true;
    }
    void Ext(const Extended& v) {
        const Extended80Bytes b = EncodeExtended(v);
        out_.append(reinterpret_cast<const char*>(b.data()), b.size());
    }
    template <size_t N> void Raw(const std::array<uint8_t, N>& a) { Raw(a.data(), N); }
    void Raw(const uint8_t* from, size_t n) { out_.append(reinterpret_cast<const char*>(from), n); }

  private:
    // n new zero bytes at the end, to be filled at once (before anything else is appended).
    uint8_t* Take(size_t n) {
        out_.append(n, '\0');
        return reinterpret_cast<uint8_t*>(&out_[out_.size() - n]);
    }

    std::string& out_;
};

} // namespace kolshell
