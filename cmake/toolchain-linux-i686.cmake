# The plug-in's portable core as 32-bit code (ILP32: 32-bit int, long, pointers and
# size_t, as in the 32-bit Windows module), built with the build machine's own compilers
# (-m32, Debian's multilib) and run under qemu-i386's user-mode emulation, which needs no
# system set-up and does not depend on the machine running 32-bit programs natively.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)

find_program(CMAKE_C_COMPILER NAMES gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES g++ REQUIRED)
set(CMAKE_C_FLAGS_INIT -m32)
set(CMAKE_CXX_FLAGS_INIT -m32)
set(CMAKE_EXE_LINKER_FLAGS_INIT -m32)
set(CMAKE_SHARED_LINKER_FLAGS_INIT -m32)
set(CMAKE_MODULE_LINKER_FLAGS_INIT -m32)

find_program(VELM_QEMU_I386 NAMES qemu-i386 REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${VELM_QEMU_I386})
