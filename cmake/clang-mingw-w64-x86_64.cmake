# A second compiler for the same target: Debian's clang with mingw-w64's headers, libraries and
# linker, to catch what GCC lets through. Clang does not find GCC's "12-posix" folder by itself,
# so the C++ headers and the run-time libraries are named here.
include("${CMAKE_CURRENT_LIST_DIR}/mingw-w64-x86_64.cmake")
set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_C_COMPILER_TARGET ${TOOLCHAIN_PREFIX})
set(CMAKE_CXX_COMPILER_TARGET ${TOOLCHAIN_PREFIX})
file(GLOB MINGW_GCC_DIRS LIST_DIRECTORIES true "/usr/lib/gcc/${TOOLCHAIN_PREFIX}/*-posix")
list(GET MINGW_GCC_DIRS 0 MINGW_GCC_DIR)
set(CMAKE_CXX_FLAGS_INIT "-isystem ${MINGW_GCC_DIR}/include/c++ \
-isystem ${MINGW_GCC_DIR}/include/c++/${TOOLCHAIN_PREFIX} -isystem ${MINGW_GCC_DIR}/include/c++/backward")
# The posix thread model's emulated TLS in libgcc_eh needs winpthread, which the driver puts first.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-L${MINGW_GCC_DIR} -Wl,--whole-archive -lwinpthread -Wl,--no-whole-archive")
