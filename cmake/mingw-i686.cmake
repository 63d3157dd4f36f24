# Cross toolchain for the product: 32-bit Windows, mingw-w64, posix thread model.
set(BRISVALE_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
# Tests run under 32-bit Wine, inside scripts/wine32, each in a prefix and display of its own.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-test)
