// What the fuzzing harnesses share: a private temporary folder for the point
// logs and spectra a conversion writes, and the program's state put back
// before every input.
#ifndef QUILLON_TESTS_FUZZ_SUPPORT_H
#define QUILLON_TESTS_FUZZ_SUPPORT_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzz {

// Makes a fresh folder (in /dev/shm where there is one), points TMPDIR at it
// so that point logs land there, and removes it when the process exits.
void UsePrivateTempFolder();
// A path inside that folder.
std::string PrivatePath(const std::string& name);

// The program's globals as at start-up, no picture loaded, and settings that
// keep one conversion small: the output (in a format picked by `seed`) goes
// into the private folder and may replace the previous one; SI is at most 256.
void ResetForInput(std::size_t seed);

// Ends the process the way a sanitizer finding does, so that libFuzzer keeps
// the input: for invariants that are not memory errors.
[[noreturn]] void Fail(const char* what);

}  // namespace fuzz

// Defined here for every harness: makes the private folder.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv);
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

#endif
