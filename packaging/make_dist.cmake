# Writes the two release archives. Run with cmake -P and these variables:
#   OUT          folder for the archives
#   NATIVE_DIR   the native build's plug-in folder (qlv_preview.so, libqlv_platform.so, qlview/)
#   PREVIEW      the native qlv-preview program
#   WINDOWS_DLL  the Windows plug-in library (qlv_preview.dll); its archive is skipped with a
#                message when it does not exist
#   WINDOWS_PREVIEW  the Windows qlv-preview.exe, and DEMO_CHART the demo chart: both go into the
#                Windows archive beside the library (the previewer finds them there)
#   SOURCE_DIR   this folder (the READMEs)
foreach(var OUT NATIVE_DIR PREVIEW SOURCE_DIR)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "make_dist.cmake: ${var} is not set")
  endif()
endforeach()
foreach(file ${NATIVE_DIR}/qlv_preview.so ${NATIVE_DIR}/libqlv_platform.so ${NATIVE_DIR}/qlview ${PREVIEW})
  if(NOT EXISTS ${file})
    message(FATAL_ERROR "make_dist.cmake: ${file} is missing; build the native targets first")
  endif()
endforeach()
file(GLOB pictures ${NATIVE_DIR}/qlview/*.png)
if(NOT pictures)
  message(FATAL_ERROR "make_dist.cmake: no pictures in ${NATIVE_DIR}/qlview")
endif()

set(work ${OUT}/dist-work)
file(REMOVE_RECURSE ${work})

# Linux: the plug-in, its platform library, the pictures and the previewer, side by side.
set(linux qlv-preview-linux-x64)
file(MAKE_DIRECTORY ${work}/${linux}/qlview)
file(COPY ${NATIVE_DIR}/qlv_preview.so ${NATIVE_DIR}/libqlv_platform.so ${PREVIEW} DESTINATION ${work}/${linux})
file(COPY ${pictures} DESTINATION ${work}/${linux}/qlview)
file(COPY_FILE ${SOURCE_DIR}/README-linux.txt ${work}/${linux}/README.txt)
execute_process(COMMAND ${CMAKE_COMMAND} -E tar czf ${OUT}/${linux}.tar.gz ${linux}
  WORKING_DIRECTORY ${work} RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "make_dist.cmake: cannot write ${OUT}/${linux}.tar.gz")
endif()
message(STATUS "wrote ${OUT}/${linux}.tar.gz")

# Windows: the library and its pictures, the previewer with the demo chart, and the chart
# authors' README.
if(DEFINED WINDOWS_DLL AND EXISTS ${WINDOWS_DLL})
  foreach(var WINDOWS_PREVIEW DEMO_CHART)
    if(NOT DEFINED ${var} OR NOT EXISTS ${${var}})
      message(FATAL_ERROR "make_dist.cmake: ${var} (${${var}}) is missing; build both presets first")
    endif()
  endforeach()
  set(windows qlv-preview-windows-x64)
  file(MAKE_DIRECTORY ${work}/${windows}/qlview)
  file(COPY ${WINDOWS_DLL} ${WINDOWS_PREVIEW} ${DEMO_CHART} DESTINATION ${work}/${windows})
  file(COPY ${pictures} DESTINATION ${work}/${windows}/qlview)
  # Windows readers expect CRLF line ends in a text file.
  configure_file(${SOURCE_DIR}/README-windows.txt ${work}/${windows}/README.txt @ONLY NEWLINE_STYLE CRLF)
  execute_process(COMMAND ${CMAKE_COMMAND} -E tar cf ${OUT}/${windows}.zip --format=zip ${windows}
    WORKING_DIRECTORY ${work} RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "make_dist.cmake: cannot write ${OUT}/${windows}.zip")
  endif()
  message(STATUS "wrote ${OUT}/${windows}.zip")
else()
  message(WARNING "no Windows build (${WINDOWS_DLL}): ${OUT}/qlv-preview-windows-x64.zip not written; "
                  "run cmake --preset windows && cmake --build --preset windows first")
endif()
file(REMOVE_RECURSE ${work})
