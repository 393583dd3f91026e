# Cross-compiles the Windows program on Linux with clang, against the headers, import libraries and
# C++ runtime of the mingw-w64 GCC installation (posix thread model), linked by lld.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(_triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER   clang)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_C_COMPILER_TARGET   ${_triple})
set(CMAKE_CXX_COMPILER_TARGET ${_triple})
# The mingw-w64 windres reads the UTF-8 resource script (#pragma code_page) as the GCC build does.
set(CMAKE_RC_COMPILER  ${_triple}-windres)

set(CMAKE_SYSROOT /usr/${_triple})

# Debian names the mingw GCC's folders "12-posix" and "12-win32", which clang does not recognise as
# GCC versions, so it finds neither libstdc++ nor libgcc by itself: name the posix ones.
set(MINGW_GCC_DIR "" CACHE PATH "The mingw-w64 GCC's library folder (posix thread model)")
if(NOT MINGW_GCC_DIR)
  file(GLOB _gcc_dirs LIST_DIRECTORIES true /usr/lib/gcc/${_triple}/*-posix)
  if(NOT _gcc_dirs)
    message(FATAL_ERROR "No mingw-w64 GCC with posix threads in /usr/lib/gcc/${_triple}: install g++-mingw-w64-x86-64")
  endif()
  list(SORT _gcc_dirs COMPARE NATURAL ORDER DESCENDING)
  list(GET _gcc_dirs 0 _gcc_found)
  set(MINGW_GCC_DIR ${_gcc_found} CACHE PATH "The mingw-w64 GCC's library folder (posix thread model)" FORCE)
endif()
set(CMAKE_CXX_STANDARD_INCLUDE_DIRECTORIES
  ${MINGW_GCC_DIR}/include/c++ ${MINGW_GCC_DIR}/include/c++/${_triple} ${MINGW_GCC_DIR}/include/c++/backward)
# The posix-thread libstdc++ needs winpthread, which -pthread brings in.
set(_link_flags "-fuse-ld=lld -pthread -L${MINGW_GCC_DIR}")
set(CMAKE_EXE_LINKER_FLAGS_INIT    ${_link_flags})
set(CMAKE_SHARED_LINKER_FLAGS_INIT ${_link_flags})
set(CMAKE_MODULE_LINKER_FLAGS_INIT ${_link_flags})

set(CMAKE_FIND_ROOT_PATH /usr/${_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_CROSSCOMPILING_EMULATOR wine)
