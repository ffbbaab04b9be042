# 64-bit Windows (.mexw64).
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(LOWRANK_MINGW x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
