# The release build of the Windows program (preset win32-release): optimised, with its debug
# information split off into a file beside it, and reproducible: the same sources built in any two
# folders give byte-identical program files.
# - Paths: the source and build folders are written as "." into the debug information and into
#   __FILE__, so the program does not carry the folder it was built in.
# - Time: the PE header's time stamp stays 0; the build uses no other date (a packaging step that
#   needs one takes SOURCE_DATE_EPOCH, see scripts/release.sh).
# radlyn_release_program(TARGET) splits and strips a program after each link: TARGET.debug beside
# it holds the debug information (and the symbols), and the program names that file by a
# .gnu_debuglink section whose checksum ties the two together, so a debugger reading a crash of
# the shipped file finds it. Outside the release build it does nothing.
option(RADLYN_RELEASE "Build the program for release (reproducible, debug information split off)"
       OFF)

if(RADLYN_RELEASE)
  if(NOT WIN32)
    message(FATAL_ERROR "RADLYN_RELEASE builds the Windows program only (preset win32-release)")
  endif()
  # The more specific build folder is listed last: GCC tries the last mapping first. (The resource
  # compiler takes no such option and writes no paths.)
  add_compile_options("$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${PROJECT_SOURCE_DIR}=.>"
                      "$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${PROJECT_BINARY_DIR}=.>")
  add_link_options(-Wl,--no-insert-timestamp)
endif()

function(radlyn_release_program target)
  if(NOT RADLYN_RELEASE)
    return()
  endif()
  # objcopy names the debug file by its file name only, so it runs in the program's folder. It
  # writes a fresh PE header with the time taken from SOURCE_DATE_EPOCH, else the current time:
  # 0 keeps the linker's empty time stamp.
  set(objcopy ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=0 ${CMAKE_OBJCOPY})
  add_custom_command(
    TARGET ${target} POST_BUILD
    COMMAND ${objcopy} --only-keep-debug $<TARGET_FILE_NAME:${target}>
            $<TARGET_FILE_NAME:${target}>.debug
    COMMAND ${objcopy} --strip-all --add-gnu-debuglink=$<TARGET_FILE_NAME:${target}>.debug
            $<TARGET_FILE_NAME:${target}>
    WORKING_DIRECTORY $<TARGET_FILE_DIR:${target}>
    COMMENT "Splitting the debug information off $<TARGET_FILE_NAME:${target}>"
    VERBATIM)
endfunction()
