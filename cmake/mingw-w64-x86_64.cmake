# CMake toolchain file: Windows x64 programs cross-built on Debian with its
# MinGW-w64 (scripts/setup --windows installs it and builds the toolkit).
#
#   cmake -S SOURCE -B BUILD -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
#         -DwxWidgets_ROOT=${XDG_CACHE_HOME:-~/.cache}/brantle-config-helper/msw-current
#
# The compilers are the posix thread model ones (x86_64-w64-mingw32-g*-posix):
# the win32 model has no std::thread. wxWidgets_ROOT is the toolkit's install
# folder; it joins the find root, so find_package(wxWidgets) finds its
# wx-config there (FindwxWidgets looks for wx-config only below the find root
# when cross-building) and never the Linux one in /usr/bin. Programs link with
# -static: libgcc, libstdc++, winpthread and zlib go into the .exe, which then
# imports only DLLs that Windows ships (tests/windows/check_imports.sh).

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(BRANTLE_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${BRANTLE_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${BRANTLE_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${BRANTLE_MINGW}-windres)

# Libraries and headers come from the MinGW tree and the toolkit only; the
# build machine's programs (windres, wx-config's shell) from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${BRANTLE_MINGW})
if(wxWidgets_ROOT)
  get_filename_component(BRANTLE_WX_ROOT "${wxWidgets_ROOT}" REALPATH)
  if(NOT EXISTS "${BRANTLE_WX_ROOT}/bin/wx-config")
    message(FATAL_ERROR "wxWidgets_ROOT=${wxWidgets_ROOT} has no bin/wx-config "
                        "(scripts/setup --windows builds the toolkit)")
  endif()
  list(APPEND CMAKE_FIND_ROOT_PATH "${BRANTLE_WX_ROOT}")
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
