# cmake -DLEFT=<cmd> -DRIGHT=<cmd> -DSCHEMES=<scheme>[|<scheme>...] [-DEXPECT=same|differ]
#       -P compare_digests.cmake
#
# Runs two spk_repro commands (program and arguments joined by "|") and, for every kernel of
# each named scheme, requires the same digest from both (EXPECT=same, the default; fails naming
# each kernel that differs) or different digests (EXPECT=differ; fails naming each that agrees).
foreach(var LEFT RIGHT SCHEMES)
  if(NOT DEFINED ${var} OR "${${var}}" STREQUAL "")
    message(FATAL_ERROR "compare_digests.cmake: -D${var}=... is required")
  endif()
endforeach()
string(REPLACE "|" ";" schemes "${SCHEMES}")
if(NOT DEFINED EXPECT)
  set(EXPECT same)
endif()
if(NOT EXPECT MATCHES "^(same|differ)$")
  message(FATAL_ERROR "compare_digests.cmake: EXPECT must be same or differ, not '${EXPECT}'")
endif()

foreach(side LEFT RIGHT)
  string(REPLACE "|" ";" command "${${side}}")
  list(GET command 0 program)
  if(IS_ABSOLUTE "${program}" AND NOT EXISTS "${program}")
    message(FATAL_ERROR "${side}: program '${program}' does not exist. For the native digests "
            "build the native generator first: cmake --preset default && "
            "cmake --build --preset default --target spk_repro (or set SPK_REPRO_NATIVE).")
  endif()
  execute_process(COMMAND ${command} OUTPUT_VARIABLE output ERROR_VARIABLE errors
                  RESULT_VARIABLE status)
  if(NOT status STREQUAL "0")
    message(FATAL_ERROR "${side}: '${command}' failed (${status}): ${errors}")
  endif()
  string(REGEX REPLACE "\n$" "" output "${output}")
  string(REPLACE "\n" ";" lines "${output}")
  foreach(line IN LISTS lines)
    if(line MATCHES "^#")
      message(STATUS "${side}: ${line}")
    elseif(line MATCHES "^([a-z]+) ([A-Za-z_]+) ([0-9a-f]+)$")
      set(${side}.${CMAKE_MATCH_1}.${CMAKE_MATCH_2} ${CMAKE_MATCH_3})
      list(APPEND ${side}.${CMAKE_MATCH_1} ${CMAKE_MATCH_2})
    else()
      message(FATAL_ERROR "${side}: unexpected line '${line}' from '${command}'")
    endif()
  endforeach()
endforeach()

set(differences "")
set(agreements "")
foreach(scheme IN LISTS schemes)
  list(LENGTH LEFT.${scheme} count)
  if(count EQUAL 0 OR NOT "${LEFT.${scheme}}" STREQUAL "${RIGHT.${scheme}}")
    message(FATAL_ERROR "scheme ${scheme}: the two commands name different kernels:\n"
            "  left:  ${LEFT.${scheme}}\n  right: ${RIGHT.${scheme}}")
  endif()
  foreach(kernel IN LISTS LEFT.${scheme})
    if(NOT LEFT.${scheme}.${kernel} STREQUAL RIGHT.${scheme}.${kernel})
      string(APPEND differences "\n  ${scheme} ${kernel}: ${LEFT.${scheme}.${kernel}} "
             "(left) != ${RIGHT.${scheme}.${kernel}} (right)")
    else()
      string(APPEND agreements "\n  ${scheme} ${kernel}: ${LEFT.${scheme}.${kernel}}")
    endif()
  endforeach()
  message(STATUS "${scheme}: ${count} kernels compared")
endforeach()
if(EXPECT STREQUAL "same" AND differences)
  message(FATAL_ERROR "digests differ:${differences}")
elseif(EXPECT STREQUAL "differ" AND agreements)
  message(FATAL_ERROR "digests agree where they must differ:${agreements}")
endif()
