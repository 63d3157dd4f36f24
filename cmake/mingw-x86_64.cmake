# Cross toolchain for the test build: 64-bit Windows, run under 64-bit Wine
# (this machine's kernel cannot execute Wine's 32-bit loader).
set(BRISVALE_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
