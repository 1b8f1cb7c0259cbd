// How big a file the text editor takes: beyond this it is shown read-only in the viewer,
// which reads it in place, whatever its size. The editor's document costs about 450 bytes
// and some microseconds a line besides the text, so lines are held to what opens in about
// a second and a half within 200 MB; a line longer than a screen or two is read, not edited.
#pragma once

#include <cstdint>
#include <string>

namespace kolshell {

constexpr uint64_t EditBytesMax = 20000000;  // 20 MB
constexpr uint64_t EditLinesMax = 200000;    // lines
constexpr uint64_t EditLineCharsMax = 20000; // characters in one line

// Why the file is shown read-only instead of being edited ("NAME is too large to edit here
// (120 MB); it is shown read-only."); empty when the editor takes it or it cannot be read.
// Reads at most EditBytesMax of it, a slice at a time.
std::string TooLargeToEdit(const std::string& fileName);

} // namespace kolshell
