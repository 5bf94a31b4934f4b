# Toolchain for the macOS cross-check from Debian: the shared cross toolchain
# (../shared/macos/toolchain.cmake beside the project), whose architecture is
# arm64 unless CMAKE_OSX_ARCHITECTURES is given on the command line (x86_64).
# MACOS_SYSROOT names the sysroot that ../shared/macos/mk-sysroot made.
set(qch_arch "$CACHE{CMAKE_OSX_ARCHITECTURES}")
include("${CMAKE_CURRENT_LIST_DIR}/../../shared/macos/toolchain.cmake")
if(qch_arch)
  set(CMAKE_OSX_ARCHITECTURES "${qch_arch}")
  set(CMAKE_SYSTEM_PROCESSOR "${qch_arch}")
endif()
