// The entry of every test program. It ends as the product does: returning would run
// the C++ runtime's exit teardown, whose deletion of its thread keys can wait
// forever on the threads library's lock once worker threads have come and gone.
#include <windows.h>
#include <cstdio>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    std::fflush(nullptr);
    ExitProcess(static_cast<UINT>(result));
}
