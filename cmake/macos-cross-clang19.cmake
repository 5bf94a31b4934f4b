# The macOS cross-check toolchain (macos-cross.cmake) with clang 19 and
# ld64.lld 19 instead of 14: closer to the clang of current Xcode, so its
# newer warnings are seen here first. The C++ library headers stay those of
# libc++ 14, whose exports the sysroot's libc++ stub lists.
include("${CMAKE_CURRENT_LIST_DIR}/macos-cross.cmake")
set(CMAKE_C_COMPILER clang-19)
set(CMAKE_CXX_COMPILER clang++-19)
set(CMAKE_OBJCXX_COMPILER clang++-19)
set(CMAKE_CXX_FLAGS_INIT "-stdlib=libc++ -nostdinc++ -isystem /usr/lib/llvm-14/include/c++/v1")
set(CMAKE_OBJCXX_FLAGS_INIT "${CMAKE_CXX_FLAGS_INIT}")
