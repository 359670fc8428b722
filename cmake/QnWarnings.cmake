# Warnings and floating-point rules for the project's own targets.
# The renderer's formulas must round exactly as written, so that every build orders
# nearly equal depths the same way: no contraction into fused multiply-adds, no fast-math.
function(qn_target_defaults target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow -Werror -ffp-contract=off -fno-fast-math)
endfunction()

# A core library: standard C++ only. Qt's include directories are never on its path,
# and check_no_qt (a test) also scans its sources for Qt headers.
function(qn_core_library target)
  add_library(${target} STATIC ${ARGN})
  qn_target_defaults(${target})
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
endfunction()
