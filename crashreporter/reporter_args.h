// Pellisk's command line: the program token, then the crashed thread's id,
// the crashed process's id and the address of the EXCEPTION_POINTERS record
// in that process, each after white space.
#pragma once

#include <cstddef>
#include <cstdint>

struct ReporterArgs {
    int32_t threadId = 0;
    int32_t processId = 0;
    uintptr_t pointers = 0;  // an address in the crashed process, not ours
};

// The matcher recurses once per character, so a long tail would overflow the
// stack; real tails need about 32 characters.
inline constexpr size_t kMaxReporterTail = 256;

// Splits the command-line tail into the three fields and converts each with
// wcstol's rules (the address at pointer width). False when the tail does not
// hold three fields or is longer than kMaxReporterTail.
bool ParseReporterTail(const wchar_t* tail, ReporterArgs& out);
