// Windows metafiles written record by record for the tests, independently of the reader.
#pragma once

#include "tests/support/bytes.h"

#include <initializer_list>
#include <string>

// A record: its size in words, its function, its parameter words.
inline void Record(std::string& b, int function, std::initializer_list<int> words) {
    Add32(b, uint32_t(3 + words.size()));
    Add16(b, function);
    for (int w : words)
        Add16(b, w);
}

// A placeable metafile of 100 x 100 units at 96 per inch, records as given, then the end.
inline std::string Placeable(const std::string& records) {
    std::string b;
    Add32(b, 0x9AC6CDD7);
    Add16(b, 0);
    for (int v : {0, 0, 100, 100, 96})
        Add16(b, v);
    Add32(b, 0);
    Add16(b, 0); // checksum, not checked
    Add16(b, 1);
    Add16(b, 9);
    Add16(b, 0x300);
    Add32(b, uint32_t((18 + records.size() + 6) / 2));
    Add16(b, 4); // object slots
    Add32(b, 10);
    Add16(b, 0);
    return b + records + std::string("\x03\x00\x00\x00\x00\x00", 6);
}
