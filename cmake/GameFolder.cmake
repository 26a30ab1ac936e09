# The folder a player gets: the program, both libraries and the data folders.
# `cpack` packs the same files into a zip.
set(TRIWELL_GAME_DIR ${CMAKE_BINARY_DIR}/Triwell)
set(game_binaries $<TARGET_FILE:game> $<TARGET_FILE:TavrikEngine2D>)
if(TARGET tavriksoundlite)
  list(APPEND game_binaries $<TARGET_FILE:tavriksoundlite>)
endif()

set(game_folder_commands COMMAND ${CMAKE_COMMAND} -E make_directory ${TRIWELL_GAME_DIR}
                         COMMAND ${CMAKE_COMMAND} -E copy_if_different ${game_binaries} ${TRIWELL_GAME_DIR})
foreach(data IMAGES SOUNDS)
  if(EXISTS ${CMAKE_SOURCE_DIR}/assets/${data})
    list(APPEND game_folder_commands
         COMMAND ${CMAKE_COMMAND} -E copy_directory ${CMAKE_SOURCE_DIR}/assets/${data} ${TRIWELL_GAME_DIR}/${data})
    install(DIRECTORY ${CMAKE_SOURCE_DIR}/assets/${data} DESTINATION .)
  endif()
endforeach()
add_custom_target(gamefolder ALL ${game_folder_commands} COMMENT "Game folder ${TRIWELL_GAME_DIR}")
add_dependencies(gamefolder game TavrikEngine2D)
if(TARGET tavriksoundlite)
  add_dependencies(gamefolder tavriksoundlite)
endif()

install(FILES ${game_binaries} DESTINATION .)
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME Triwell)
set(CPACK_PACKAGE_FILE_NAME Triwell-${PROJECT_VERSION})
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
include(CPack)
