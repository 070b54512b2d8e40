# Checks that a Windows program is a 32-bit (PE32, i386) program importing nothing but Windows
# system libraries (the C and C++ runtimes must be linked in, not shipped beside it), and that a
# program (.exe) is marked terminal-server aware, so that Remote Desktop hosts run it without
# compatibility shims; radlyn.exe also with ASLR and without the DEP opt-in.
# Usage: cmake -DOBJDUMP=<objdump> -DPROGRAM=<file.exe> -P check_imports.cmake
cmake_minimum_required(VERSION 3.25)
execute_process(COMMAND ${OBJDUMP} -p ${PROGRAM} OUTPUT_VARIABLE dump RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "${OBJDUMP} could not read ${PROGRAM}")
endif()
if(NOT dump MATCHES "file format pei-i386")
  message(FATAL_ERROR "${PROGRAM} is not a PE32 i386 program")
endif()

# The flag counts for programs only; Windows ignores it on libraries.
if(PROGRAM MATCHES "\\.[eE][xX][eE]$")
  string(REGEX MATCH "DllCharacteristics[ \t]+([0-9a-fA-F]+)" characteristics "${dump}")
  set(flags "0x${CMAKE_MATCH_1}")
  math(EXPR terminal_server_aware "${flags} & 0x8000")
  if(NOT characteristics OR NOT terminal_server_aware)
    message(FATAL_ERROR "${PROGRAM} is not marked terminal-server aware (${characteristics})")
  endif()
  # radlyn.exe hosts Morlund's legacy modules: ASLR (0x0040) yes, the DEP opt-in (NX_COMPAT,
  # 0x0100) no, as in Morlund's own process.
  if(PROGRAM MATCHES "radlyn\\.exe$")
    math(EXPR host_flags "${flags} & 0x0140")
    if(NOT host_flags EQUAL 64)
      message(FATAL_ERROR "${PROGRAM}: DllCharacteristics ${characteristics}, want ASLR without NX_COMPAT")
    endif()
  endif()
endif()

set(system_libraries
    ADVAPI32.DLL COMCTL32.DLL COMDLG32.DLL GDI32.DLL KERNEL32.DLL MSVCRT.DLL OLE32.DLL
    OLEAUT32.DLL SHELL32.DLL SHLWAPI.DLL USER32.DLL VERSION.DLL WS2_32.DLL)
string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${dump}")
if(NOT imports)
  message(FATAL_ERROR "${PROGRAM} imports nothing: not a linked program?")
endif()
foreach(line ${imports})
  string(REPLACE "DLL Name: " "" library "${line}")
  string(STRIP "${library}" library)
  string(TOUPPER "${library}" library)
  if(NOT library IN_LIST system_libraries)
    message(FATAL_ERROR "${PROGRAM} imports ${library}, which is not a Windows system library")
  endif()
  message(STATUS "imports ${library}")
endforeach()
