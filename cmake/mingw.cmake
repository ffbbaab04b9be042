# Debian's MinGW-w64 cross compilers for the Windows targets; the target's
# toolchain file sets LOWRANK_MINGW (the triplet) and the processor first.
set(CMAKE_SYSTEM_NAME Windows)
# The POSIX thread model, whose C++ library has std::mutex (GoogleTest
# needs it); every program and library links its runtime statically, so
# that it needs nothing beyond the system's DLLs and those of the build.
set(CMAKE_C_COMPILER ${LOWRANK_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${LOWRANK_MINGW}-g++-posix)
set(CMAKE_Fortran_COMPILER ${LOWRANK_MINGW}-gfortran-posix)
set(CMAKE_RC_COMPILER ${LOWRANK_MINGW}-windres)
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)
set(CMAKE_SHARED_LINKER_FLAGS_INIT -static)
set(CMAKE_MODULE_LINKER_FLAGS_INIT -static)
set(CMAKE_FIND_ROOT_PATH /usr/${LOWRANK_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
