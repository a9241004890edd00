# Fails when a source file includes a header from a folder above its own. Run as
#   cmake -DROOT=<source tree> -P check_layering.cmake
# The folders from the bottom up; each may include only its own headers and those of the folders
# before it. Tests, benchmarks and fuzz targets sit above everything and are not checked.
set(layers platform resources gfx imagefile state chart view plugin host tools)

if(NOT ROOT)
  message(FATAL_ERROR "check_layering: ROOT is not set")
endif()

set(violations 0)
list(LENGTH layers layer_count)
foreach(rank RANGE 0 ${layer_count})
  if(rank EQUAL layer_count)
    break()
  endif()
  list(GET layers ${rank} folder)
  file(GLOB_RECURSE sources ${ROOT}/${folder}/*.h ${ROOT}/${folder}/*.hpp ${ROOT}/${folder}/*.c
    ${ROOT}/${folder}/*.cpp ${ROOT}/${folder}/*.rc)
  foreach(source ${sources})
    file(STRINGS ${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"[A-Za-z0-9_]+/")
    foreach(line ${includes})
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([A-Za-z0-9_]+)/([^\"]*)\".*" "\\1;\\2" parts "${line}")
      list(GET parts 0 target_folder)
      list(FIND layers ${target_folder} target_rank)
      if(target_rank GREATER rank)
        file(RELATIVE_PATH shown ${ROOT} ${source})
        list(GET parts 1 header)
        message("upward include: ${shown} includes ${target_folder}/${header}")
        math(EXPR violations "${violations} + 1")
      endif()
    endforeach()
  endforeach()
endforeach()

if(violations GREATER 0)
  message(FATAL_ERROR "${violations} include(s) point from a lower layer to a higher one "
    "(layers from the bottom: ${layers})")
endif()
