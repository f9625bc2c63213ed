# The Windows program as it is handed out: Odovex.exe, the Qt DLLs it links, the compiler's
# run-time DLLs, the platform and style plugins and a statistics file holding the initial record,
# staged in Odovex-win64/ (where the tests run it) and packed into Odovex-win64.zip.
set(ODOVEX_STAGE ${CMAKE_BINARY_DIR}/Odovex-win64)
set(ODOVEX_ZIP ${CMAKE_BINARY_DIR}/Odovex-win64.zip)

# The compiler's run-time DLLs, where the cross compiler keeps them.
set(runtime)
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                  OUTPUT_VARIABLE found OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT IS_ABSOLUTE "${found}" OR NOT EXISTS "${found}")
    message(FATAL_ERROR "The compiler's ${dll} is not where ${CMAKE_CXX_COMPILER} says")
  endif()
  list(APPEND runtime ${found})
endforeach()

# The initial record, as the Linux package ships it: the first start opens the setup dialog.
set(fresh ${PROJECT_SOURCE_DIR}/dist/Odovex1.dat)

add_custom_command(OUTPUT ${ODOVEX_ZIP}
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${ODOVEX_STAGE}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${ODOVEX_STAGE}/platforms ${ODOVEX_STAGE}/styles
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:odovex> $<TARGET_RUNTIME_DLLS:odovex>
          ${runtime} ${fresh} ${ODOVEX_STAGE}
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:Qt6::QWindowsIntegrationPlugin>
          ${ODOVEX_STAGE}/platforms
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:Qt6::QWindowsVistaStylePlugin>
          ${ODOVEX_STAGE}/styles
  # Debian's mingw run-time DLLs and the Qt build carry their debugging symbols: two thirds of
  # their size.
  COMMAND sh -c "\"$0\" --strip-unneeded Odovex-win64/*.exe Odovex-win64/*.dll Odovex-win64/*/*.dll"
          ${CMAKE_STRIP}
  COMMAND ${CMAKE_COMMAND} -E rm -f ${ODOVEX_ZIP}
  COMMAND ${CMAKE_COMMAND} -E tar cf ${ODOVEX_ZIP} --format=zip Odovex-win64
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
  DEPENDS odovex ${fresh}
  COMMENT "Packing Odovex-win64.zip"
  COMMAND_EXPAND_LISTS
  VERBATIM)
add_custom_target(odovex_zip ALL DEPENDS ${ODOVEX_ZIP})
