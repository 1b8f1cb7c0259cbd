// One fuzz target per parser. FUZZ_TARGET(name) { ... } takes the input as (data, size).
// Built with KOLSHELL_LIBFUZZER it is the libFuzzer entry of its own program; otherwise it
// joins the targets that tst_fuzzcorpus replays over the checked-in corpus.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

using FuzzFunction = void (*)(const uint8_t* data, size_t size);

// The targets linked into this program, by name.
std::vector<std::pair<std::string, FuzzFunction>>& FuzzTargets();
struct FuzzRegistration {
    FuzzRegistration(const char* name, FuzzFunction f) { FuzzTargets().emplace_back(name, f); }
};

#ifdef KOLSHELL_LIBFUZZER
#define FUZZ_TARGET(name)                                                                          \
    static void FuzzOne(const uint8_t* data, size_t size);                                         \
    extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {                      \
        FuzzOne(data, size);                                                                       \
        return 0;                                                                                  \
    }                                                                                              \
    static void FuzzOne(const uint8_t* data, size_t size)
#else
#define FUZZ_TARGET(name)                                                                          \
    static void Fuzz_##name(const uint8_t* data, size_t size);                                     \
    static const FuzzRegistration Registered_##name(#name, Fuzz_##name);                           \
    static void Fuzz_##name(const uint8_t* data, size_t size)
#endif

// The input as text, and split into lines as the program's text reader splits a file.
std::string FuzzText(const uint8_t* data, size_t size);
std::vector<std::string> FuzzLines(const uint8_t* data, size_t size, size_t maxLength = 255);
// A fresh directory of this process for the files a target writes; messages and beeps are
// silenced (every message takes its kind's first button).
const std::string& FuzzDir();
// Writes the bytes to a file in FuzzDir; returns its full name.
std::string FuzzFile(const std::string& name, const std::string& bytes);
// Splits the input at the first line "----": the part before it and the part after.
std::pair<std::string, std::string> FuzzParts(const std::string& text);
