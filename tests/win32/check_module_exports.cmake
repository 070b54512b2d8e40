# Checks hostsim's Windows modules: each DLL in FILES (and each variant in FILES/variants) is a
# 32-bit program file importing only Windows system libraries and exporting exactly its functions,
# undecorated; a variant <module>-without-<EXPORT>.dll exports all of them but that one.
# Usage: cmake -DOBJDUMP=<objdump> -DFILES=<hostsim-files> -P check_module_exports.cmake
cmake_minimum_required(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/../../hostsim/modules/exports.cmake)

function(check_module file expected)
  execute_process(COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${OBJDUMP} -DPROGRAM=${file}
                          -P ${CMAKE_CURRENT_LIST_DIR}/check_imports.cmake
                  OUTPUT_QUIET RESULT_VARIABLE failed ERROR_VARIABLE complaint)
  if(failed)
    message(FATAL_ERROR "${complaint}")
  endif()
  execute_process(COMMAND ${OBJDUMP} -p ${file} OUTPUT_VARIABLE dump)
  # The export names follow the "[Ordinal/Name Pointer] Table" heading, one "[ n] NAME" a line
  # (brackets are taken off before the names become a list).
  string(FIND "${dump}" "[Ordinal/Name Pointer] Table\n" start)
  set(exported)
  if(start GREATER -1)
    string(SUBSTRING "${dump}" ${start} -1 table)
    string(REGEX MATCH "Table\n(\t[^\n]+\n)+" table "${table}")
    string(REGEX REPLACE "\t\\[ *[0-9]+\\] " "" table "${table}")
    string(REGEX REPLACE "^Table\n" "" table "${table}")
    string(STRIP "${table}" table)
    string(REPLACE "\n" ";" exported "${table}")
  endif()
  list(SORT exported)
  list(SORT expected)
  if(NOT exported STREQUAL expected)
    message(FATAL_ERROR "${file} exports [${exported}], expected [${expected}]")
  endif()
  message(STATUS "${file}: ${exported}")
endfunction()

foreach(module ${HOSTSIM_MODULES})
  check_module(${FILES}/${module}.dll "${HOSTSIM_EXPORTS_${module}}")
  foreach(lacking ${HOSTSIM_EXPORTS_${module}})
    set(rest ${HOSTSIM_EXPORTS_${module}})
    list(REMOVE_ITEM rest ${lacking})
    check_module(${FILES}/variants/${module}-without-${lacking}.dll "${rest}")
  endforeach()
endforeach()
