# Cross-builds for Windows x64 with MinGW-w64 (GCC, posix threads) against the static libraries that
# scripts/windows/build-deps builds into a prefix of their own:
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DQV_WINDOWS_DEPS=<prefix>
# Without QV_WINDOWS_DEPS (or the environment variable of that name) the prefix is asked of
# build-deps, which only names it. Libraries, headers and CMake packages are found in the prefix and
# in MinGW-w64's own folder only, never the build machine's; pkg-config reads the prefix's .pc files,
# with --static so that each library brings the ones it needs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(QV_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${QV_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QV_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${QV_MINGW}-windres)
# The compilers' "-posix" ending hides the tools' prefix from CMake, which would take the build
# machine's binutils.
set(CMAKE_AR ${QV_MINGW}-ar CACHE FILEPATH "Archiver")
set(CMAKE_RANLIB ${QV_MINGW}-ranlib CACHE FILEPATH "Archive indexer")
set(CMAKE_NM ${QV_MINGW}-nm CACHE FILEPATH "Symbol lister")
set(CMAKE_STRIP ${QV_MINGW}-strip CACHE FILEPATH "Stripper")
set(CMAKE_OBJDUMP ${QV_MINGW}-objdump CACHE FILEPATH "Object dumper")
set(CMAKE_ASM_NASM_COMPILER nasm)

if(NOT QV_WINDOWS_DEPS)
  if(DEFINED ENV{QV_WINDOWS_DEPS})
    set(QV_WINDOWS_DEPS $ENV{QV_WINDOWS_DEPS})
  else()
    execute_process(COMMAND sh ${CMAKE_CURRENT_LIST_DIR}/../scripts/windows/build-deps --print-prefix
      OUTPUT_VARIABLE QV_WINDOWS_DEPS OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE QV_ASKED)
    if(NOT QV_ASKED EQUAL 0)
      message(FATAL_ERROR "Cannot name the Windows libraries' prefix: scripts/windows/build-deps failed")
    endif()
  endif()
endif()
set(QV_WINDOWS_DEPS ${QV_WINDOWS_DEPS} CACHE PATH "Prefix of the libraries built for Windows by scripts/windows/build-deps")
# build-deps itself builds the libraries with this file, into the unfinished prefix.
if(NOT EXISTS ${QV_WINDOWS_DEPS}/.complete AND NOT DEFINED ENV{QV_WINDOWS_DEPS_BUILDING})
  message(FATAL_ERROR "${QV_WINDOWS_DEPS} holds no finished build of the Windows libraries: "
                      "run scripts/windows/build-deps (make windows-deps)")
endif()
# Test projects that CMake builds while configuring read this file again, with the environment kept.
set(ENV{QV_WINDOWS_DEPS} ${QV_WINDOWS_DEPS})

set(CMAKE_FIND_ROOT_PATH ${QV_WINDOWS_DEPS} /usr/${QV_MINGW})
set(CMAKE_PREFIX_PATH ${QV_WINDOWS_DEPS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(ENV{PKG_CONFIG_LIBDIR} ${QV_WINDOWS_DEPS}/lib/pkgconfig:${QV_WINDOWS_DEPS}/share/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")
set(ENV{PKG_CONFIG_SYSROOT_DIR} "")
set(PKG_CONFIG_EXECUTABLE pkg-config CACHE FILEPATH "pkg-config executable")
set(PKG_CONFIG_ARGN --static CACHE STRING "Arguments to supply to pkg-config")
