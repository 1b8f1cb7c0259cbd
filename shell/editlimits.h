// How big a file the text editor takes: beyond this it is shown read-only in the viewer,
// which reads it in place, whatever its size.
#pragma once

#include <cstdint>
#include <string>

constexpr uint64_t EditBytesMax = 10000000;  // 10 MB
constexpr uint64_t EditLinesMax = 200000;    // lines
constexpr uint64_t EditLineCharsMax = 20000; // characters in one line

// Why the file is shown read-only instead of being edited ("NAME is too large to edit here
// (120 MB); it is shown read-only."); empty when the editor takes it or it cannot be read.
// Reads at most EditBytesMax of it, a slice at a time.
std::string TooLargeToEdit(const std::string& fileName);
