# 32-bit Windows (.mexw32), with SSE2 arithmetic as on the other targets
# rather than the x87 unit.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(LOWRANK_MINGW i686-w64-mingw32)
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_Fortran_FLAGS_INIT "-msse2 -mfpmath=sse")
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
