# spk_add_bundle(<name> TAG <tag> EXPORTS host|all ROUNDING separate|fused)
#
# Builds one bundle: an ELF shared object <name>.so in ${CMAKE_BINARY_DIR}/bundles from the
# same kernel sources as every other bundle. The three settings are independent:
#   TAG       the string mexVersion returns
#   EXPORTS   host: mexVersion alone, the kernels kept as local symbols;
#             all:  mexVersion and the thirteen kernels
#   ROUNDING  separate: every operation rounded alone; fused: multiply-add pairs rounded once
#
# The bundle imports nothing and runs no code at load time: it is linked without the C
# runtime's start files and libraries (no constructors, no recorded dependencies), and
# every undefined symbol is a link error.
set(SPK_BUNDLE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/../host/mex_version.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../products/products.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../solvers/solvers.cpp)

# spk_link_as_bundle(<target> TAG <tag> EXPORTS host|all ROUNDING separate|fused)
#
# Compiles and links an existing library target from the bundle sources the way every bundle
# is built: the tag and rounding scheme, hidden visibility with the export set's version script,
# no C runtime, nothing undefined, no load-time code. Shared by the bundles and the installable
# library.
function(spk_link_as_bundle target)
  cmake_parse_arguments(PARSE_ARGV 1 B "" "TAG;EXPORTS;ROUNDING" "")
  if(NOT B_EXPORTS MATCHES "^(host|all)$")
    message(FATAL_ERROR "${target}: EXPORTS must be host or all, not '${B_EXPORTS}'")
  endif()
  if(NOT B_ROUNDING MATCHES "^(separate|fused)$")
    message(FATAL_ERROR "${target}: ROUNDING must be separate or fused, not '${B_ROUNDING}'")
  endif()
  set(map ${PROJECT_SOURCE_DIR}/host/exports_${B_EXPORTS}.map)
  string(TOUPPER ${B_ROUNDING} rounding)
  target_sources(${target} PRIVATE ${SPK_BUNDLE_SOURCES})
  # Without the standard libraries a bundle still takes the compiler's static helper library:
  # on 32-bit targets the compiler may call a helper where it does not inline the work (on
  # PowerPC the out-of-line register save and restore of -Os, 64-bit shifts; on i386 64-bit
  # division). Taken from the static archive, a helper becomes local code of the bundle:
  # nothing imported or recorded.
  target_link_libraries(${target} PRIVATE spk_kernels $<$<CXX_COMPILER_ID:GNU>:gcc>)
  target_compile_definitions(${target} PRIVATE "SPK_VERSION_TAG=\"${B_TAG}\"" SPK_ROUNDING_${rounding})
  target_compile_options(${target} PRIVATE
    -fvisibility=hidden -fvisibility-inlines-hidden -fno-exceptions -fno-rtti
    -fno-stack-protector -fno-builtin
    # keep clearing and copying loops as loops, not calls to memset and memcpy
    $<$<CXX_COMPILER_ID:GNU>:-fno-tree-loop-distribute-patterns>)
  target_link_options(${target} PRIVATE
    -nostdlib -Wl,--no-undefined -Wl,--version-script=${map} -Wl,-z,relro -Wl,-z,now)
  set_target_properties(${target} PROPERTIES
    LINK_DEPENDS ${map} SPK_EXPORTS ${B_EXPORTS} SPK_ROUNDING ${B_ROUNDING})
endfunction()

function(spk_add_bundle name)
  add_library(${name} MODULE)
  spk_link_as_bundle(${name} ${ARGN})
  set_target_properties(${name} PROPERTIES
    PREFIX "" SUFFIX ".so" LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bundles)
  set_property(GLOBAL APPEND PROPERTY SPK_BUNDLES ${name})
endfunction()
