#include "reporter_args.h"

#include <cwchar>
#include <regex>
#include <string>

namespace {

// Signed conversion at pointer width: the same as wcstol on the 32-bit
// program, wide enough for a 64-bit address otherwise; clamps at the ends.
intptr_t ToAddress(const std::wstring& field)
{
    if constexpr (sizeof(intptr_t) == sizeof(long))
        return std::wcstol(field.c_str(), nullptr, 10);
    else
        return std::wcstoll(field.c_str(), nullptr, 10);
}

}  // namespace

bool ParseReporterTail(const wchar_t* tail, ReporterArgs& out)
{
    if (std::wcslen(tail) > kMaxReporterTail)
        return false;
    static const std::wregex fields(L"(.*?)\\s+(.*?)\\s+(.*?)");
    std::wcmatch match;
    if (!std::regex_match(tail, match, fields))
        return false;
    out.threadId = std::wcstol(match.str(1).c_str(), nullptr, 10);
    out.processId = std::wcstol(match.str(2).c_str(), nullptr, 10);
    out.pointers = static_cast<uintptr_t>(ToAddress(match.str(3)));
    return true;
}
