# How the project's own targets are made: warnings, floating-point rules and include roots.

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

# Gives target an include root that holds only the source folder `folder`, so that
# "folder/Header.h" resolves for target (and, PUBLIC, for whoever links it) and no other
# folder of the repository does: a header of a library one does not link fails to compile.
# The root lives in the build tree and links to the source folder.
function(qn_include_root target folder scope)
  set(root ${PROJECT_BINARY_DIR}/include/${folder})
  if(NOT EXISTS ${root}/${folder})
    file(MAKE_DIRECTORY ${root})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${root}/${folder} SYMBOLIC)
  endif()
  target_include_directories(${target} ${scope} ${root})
endfunction()

# A library of the core: standard C++ only, named qn_<folder>, its sources in <folder>.
# Qt's include directories are never on its path, and a test scans its sources for Qt
# headers (cmake/CheckNoQt.cmake).
function(qn_core_library folder)
  add_library(qn_${folder} STATIC ${ARGN})
  qn_target_defaults(qn_${folder})
  qn_include_root(qn_${folder} ${folder} PUBLIC)
endfunction()
