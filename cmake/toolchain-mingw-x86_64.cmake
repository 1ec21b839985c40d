# Cross build for 64-bit Windows with Debian's mingw-w64 compilers, used for the tests run
# under wine64. The posix thread model gives GoogleTest the standard mutex it needs; the
# programs are linked statically, so they need nothing beyond the system's own DLLs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(VELM_MINGW_TRIPLET x86_64-w64-mingw32)

find_program(CMAKE_C_COMPILER NAMES ${VELM_MINGW_TRIPLET}-gcc-posix REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${VELM_MINGW_TRIPLET}-g++-posix REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${VELM_MINGW_TRIPLET}-windres REQUIRED)
find_program(VELM_MINGW_OBJDUMP NAMES ${VELM_MINGW_TRIPLET}-objdump)

set(CMAKE_FIND_ROOT_PATH /usr/${VELM_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
