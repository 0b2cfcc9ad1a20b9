# cmake -DBUNDLE=<file.so> -DEXPORTS=host|all -DNM=<nm> -DREADELF=<readelf> -DOBJDUMP=<objdump>
#       [-DFUSED_PATTERN=<regex>] [-DEXPECT_FUSED=ON|OFF]
#       [-DFORBIDDEN_PATTERN=<regex> [-DALLOWED_PATTERN=<regex>]] -P check_bundle.cmake
#
# Checks a built bundle with the binary tools of its own architecture:
#  - its dynamic symbol table defines exactly its export set and imports nothing;
#  - it records no libraries and has no code that runs at load or unload time;
#  - with EXPORTS host, the thirteen kernels are still in its symbol table, as local symbols;
#  - with FUSED_PATTERN given, its code holds fused multiply-add instructions exactly when
#    EXPECT_FUSED is ON;
#  - with FORBIDDEN_PATTERN given, no instruction of its code matches it unless it also matches
#    ALLOWED_PATTERN (on 32-bit x86: no x87 instruction, whose arithmetic would round to
#    extended precision, but for the 64-bit loads and stores that return a double).
foreach(var BUNDLE EXPORTS NM READELF OBJDUMP)
  if(NOT DEFINED ${var} OR "${${var}}" STREQUAL "")
    message(FATAL_ERROR "check_bundle.cmake: -D${var}=... is required")
  endif()
endforeach()
if(NOT EXISTS "${BUNDLE}")
  message(FATAL_ERROR "${BUNDLE}: no such file")
endif()

set(kernels
  CSC_VecMult_CAB_double CSR_VecMult_CAB_double CSC_VecMult_CaABC_double CSR_VecMult_CaABC_double
  CSC_CmplxVecMult_CAB_double CSR_CmplxVecMult_CAB_double CSRsymm_VecMult_CAB_double
  CSRsymm_CmplxVecMult_CAB_double CSC_MatMult_CAB_double CSC_VecTriangSlvLD_CAB_double
  CSC_VecTriangSlvUD_CAB_double CSR_VecTriangSlvLD_CAB_double CSR_VecTriangSlvUD_CAB_double)
if(EXPORTS STREQUAL "host")
  set(expected mexVersion)
elseif(EXPORTS STREQUAL "all")
  set(expected mexVersion ${kernels})
else()
  message(FATAL_ERROR "check_bundle.cmake: EXPORTS must be host or all, not '${EXPORTS}'")
endif()

set(failures "")
function(run out)
  execute_process(COMMAND ${ARGN} OUTPUT_VARIABLE text ERROR_VARIABLE errors RESULT_VARIABLE status)
  if(NOT status STREQUAL "0")
    message(FATAL_ERROR "'${ARGN}' failed (${status}): ${errors}")
  endif()
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# "<address> <type> <name>" lines into a list of names.
function(symbol_names text out)
  string(REGEX MATCHALL "[^ \n]+ [A-Za-z] [^ \n]+" lines "${text}")
  set(names "")
  foreach(line IN LISTS lines)
    string(REGEX REPLACE ".* " "" name "${line}")
    list(APPEND names ${name})
  endforeach()
  list(SORT names)
  set(${out} "${names}" PARENT_SCOPE)
endfunction()

# Export set: exactly the expected names, all of them functions (T).
run(defined ${NM} -D --defined-only ${BUNDLE})
symbol_names("${defined}" names)
list(SORT expected)
if(NOT names STREQUAL expected)
  set(extra ${names})
  list(REMOVE_ITEM extra ${expected})
  set(missing ${expected})
  list(REMOVE_ITEM missing ${names} "")
  string(APPEND failures "\n  export set: not expected [${extra}], missing [${missing}]")
endif()
string(REGEX MATCHALL "[^ \n]+ [^T] [^ \n]+" not_code "${defined}")
if(not_code)
  string(APPEND failures "\n  exported symbols that are not functions: ${not_code}")
endif()

run(undefined ${NM} -D --undefined-only ${BUNDLE})
string(STRIP "${undefined}" undefined)
if(NOT undefined STREQUAL "")
  string(APPEND failures "\n  imports: ${undefined}")
endif()

# Dynamic section: no recorded libraries, no load-time code, no relocations of the code.
run(dynamic ${READELF} -d ${BUNDLE})
foreach(tag NEEDED INIT FINI INIT_ARRAY FINI_ARRAY PREINIT_ARRAY TEXTREL)
  if(dynamic MATCHES "\\(${tag}\\)")
    string(APPEND failures "\n  dynamic section has ${tag}")
  endif()
endforeach()

# The full symbol table: mexFunction never defined; with the host export set the kernels are
# there as local functions.
run(all_symbols ${NM} ${BUNDLE})
if(all_symbols MATCHES " [A-Za-z] mexFunction\n")
  string(APPEND failures "\n  mexFunction is defined")
endif()
if(EXPORTS STREQUAL "host")
  foreach(kernel IN LISTS kernels)
    if(NOT all_symbols MATCHES " t ${kernel}\n")
      string(APPEND failures "\n  ${kernel} is not listed as a local function")
    endif()
  endforeach()
endif()

# Fused instructions in the code.
if(DEFINED FUSED_PATTERN AND NOT FUSED_PATTERN STREQUAL "")
  run(code ${OBJDUMP} -d --no-show-raw-insn ${BUNDLE})
  string(REGEX MATCHALL "${FUSED_PATTERN}" fused "${code}")
  list(LENGTH fused count)
  if(EXPECT_FUSED AND count EQUAL 0)
    string(APPEND failures "\n  no fused multiply-add instruction (${FUSED_PATTERN}) in the code")
  elseif(NOT EXPECT_FUSED AND count GREATER 0)
    list(REMOVE_DUPLICATES fused)
    string(APPEND failures "\n  ${count} fused multiply-add instructions in the code: ${fused}")
  endif()
  message(STATUS "${count} fused multiply-add instructions")
endif()

if(DEFINED FORBIDDEN_PATTERN AND NOT FORBIDDEN_PATTERN STREQUAL "")
  run(code ${OBJDUMP} -d --no-show-raw-insn ${BUNDLE})
  string(REGEX MATCHALL "${FORBIDDEN_PATTERN}" found "${code}")
  set(forbidden "")
  foreach(instruction IN LISTS found)
    if(NOT DEFINED ALLOWED_PATTERN OR ALLOWED_PATTERN STREQUAL ""
       OR NOT instruction MATCHES "${ALLOWED_PATTERN}")
      list(APPEND forbidden "${instruction}")
    endif()
  endforeach()
  if(forbidden)
    list(REMOVE_DUPLICATES forbidden)
    string(APPEND failures "\n  forbidden instructions (${FORBIDDEN_PATTERN}) in the code: ${forbidden}")
  endif()
endif()

if(failures)
  message(FATAL_ERROR "${BUNDLE}:${failures}")
endif()
message(STATUS "${BUNDLE}: export set '${EXPORTS}', no imports, no recorded libraries")
