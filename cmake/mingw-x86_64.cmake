# 64-bit Windows: the test twin of the delivery, for machines that cannot start
# 32-bit programs. Its tests run under the 64-bit Wine loader.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(MINGW_TRIPLET x86_64-w64-mingw32)
set(WINE_LOADER /usr/lib/wine/wine64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
