// Pellisk's command-line tail. Runs under Wine on purpose: long is 32 bits
// there and msvcrt decides what counts as white space.
#include "reporter_args.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

constexpr uintptr_t kAddressMax = static_cast<uintptr_t>(INTPTR_MAX);

struct TailCase {
    std::wstring tail;
    bool matches;
    int32_t threadId, processId;
    uintptr_t pointers;
};

TEST(ReporterArgs, TailTable)
{
    const TailCase cases[] = {
        {L"12 34 56", true, 12, 34, 56},
        {L"1234 5678 9999", true, 1234, 5678, 9999},
        {L"12 34 56 78", true, 12, 34, 56},  // the third field is "56 78"
        {L"12  34", true, 12, 0, 34},        // two blanks: an empty middle field
        {L"12 34", false, 0, 0, 0},
        {L"", false, 0, 0, 0},
        {L"12 34 ", true, 12, 34, 0},
        {L"12\t34\t56", true, 12, 34, 56},
        {L"1\u00a02 3", true, 1, 2, 3},         // msvcrt counts no-break space as white space
        {L"1 2 3\n4", true, 1, 2, 4},           // '.' stops at the line end
        {L"y\\tail.exe 1 2 3", true, 0, 1, 2},  // what an unquoted path with a blank leaves
        {L"99999999999 1 2", true, 2147483647, 1, 2},
        {L"12 -3000000000 4", true, 12, -2147483647 - 1, 4},
        {L"-5 +7 0x10", true, -5, 7, 0},
        {L"abc def ghi", true, 0, 0, 0},
        {L"1 2 99999999999999999999999", true, 1, 2, kAddressMax},
        // Addresses convert at pointer width: the 32-bit program clamps here.
        {L"1 2 4294967295", true, 1, 2, sizeof(void*) == 4 ? kAddressMax : 4294967295u},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "tail \"" << std::string(c.tail.begin(), c.tail.end()) << "\"");
        ReporterArgs args;
        ASSERT_EQ(c.matches, ParseReporterTail(c.tail.c_str(), args));
        if (!c.matches)
            continue;
        EXPECT_EQ(c.threadId, args.threadId);
        EXPECT_EQ(c.processId, args.processId);
        EXPECT_EQ(c.pointers, args.pointers);
    }
}

TEST(ReporterArgs, LongTailsAreRefusedBeforeMatching)
{
    const std::wstring fields = L"1 2 3";
    const std::wstring longest = fields + std::wstring(kMaxReporterTail - fields.size(), L' ');
    ReporterArgs args;
    EXPECT_TRUE(ParseReporterTail(longest.c_str(), args));
    EXPECT_EQ(3u, args.pointers);
    EXPECT_FALSE(ParseReporterTail((longest + L" ").c_str(), args));
    // Long enough to overflow the stack if it reached the matcher.
    EXPECT_FALSE(ParseReporterTail((fields + std::wstring(30000, L'7')).c_str(), args));
}

}  // namespace
