# Warnings and floating-point rules for the project's own targets.
# The renderer's formulas must round exactly as written, so that every build orders
# nearly equal depths the same way: no contraction into fused multiply-adds, no fast-math.
function(qn_target_defaults target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow -Werror -ffp-contract=off -fno-fast-math)
  # GCC 12 at -O3 reports -Wrestrict, -Warray-bounds, -Wstringop-* and -Wmaybe-uninitialized
  # inside library code (std::string, std::vector, std::optional<QString>): known false
  # positives of its inliner. Those stay warnings there instead of errors.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(${target} PRIVATE -Wno-error=restrict -Wno-error=array-bounds
      -Wno-error=stringop-overflow -Wno-error=stringop-overread -Wno-error=maybe-uninitialized)
  endif()
endfunction()

# A core library: standard C++ only. Qt's include directories are never on its path,
# and check_no_qt (a test) also scans its sources for Qt headers.
function(qn_core_library target)
  add_library(${target} STATIC ${ARGN})
  qn_target_defaults(${target})
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
endfunction()
