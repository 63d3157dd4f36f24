# Cross toolchain for the 64-bit twin of the product, which the benchmark runs
# under 64-bit Wine.
set(BRISVALE_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
set(CMAKE_CROSSCOMPILING_EMULATOR wine64)
