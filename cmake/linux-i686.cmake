# 32-bit x86 Linux with the host compiler's -m32 (Debian g++-multilib); the
# programs run under user-mode emulation, as this kernel may not run them.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)
set(CMAKE_C_FLAGS_INIT -m32)
set(CMAKE_CXX_FLAGS_INIT -m32)
set(CMAKE_EXE_LINKER_FLAGS_INIT -m32)
set(CMAKE_SHARED_LINKER_FLAGS_INIT -m32)
set(CMAKE_MODULE_LINKER_FLAGS_INIT -m32)
set(CMAKE_LIBRARY_ARCHITECTURE i386-linux-gnu)
# The 64-bit system's libraries (liborcus) are no use to a 32-bit program.
set(CMAKE_DISABLE_FIND_PACKAGE_PkgConfig ON)
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-i386-static)
