# The folder a player gets: the program, both libraries, the data folders and the
# player's README. `cpack` packs the same files into the player's zip and, in the
# x86-64 tree that knows the i686 tree (TRIWELL_I686_DIR), the engine SDK's zip.
# Each zip holds one folder named like the zip itself; the install destinations name
# it, since CPack gives every component's zip the same top folder.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(game_zip Triwell-${PROJECT_VERSION}-win64)
else()
  set(game_zip Triwell-${PROJECT_VERSION}-win32)
endif()
set(sdk_zip Triwell-engine-sdk-${PROJECT_VERSION})
set(TRIWELL_GAME_DIR ${CMAKE_BINARY_DIR}/Triwell)
set(game_binaries $<TARGET_FILE:game> $<TARGET_FILE:TavrikEngine2D>)
if(TARGET tavriksoundlite)
  list(APPEND game_binaries $<TARGET_FILE:tavriksoundlite>)
endif()
# Line ends for Windows' Notepad.
set(player_readme ${CMAKE_BINARY_DIR}/README.txt)
configure_file(${CMAKE_SOURCE_DIR}/game/README.txt ${player_readme} @ONLY NEWLINE_STYLE CRLF)

set(game_folder_commands COMMAND ${CMAKE_COMMAND} -E make_directory ${TRIWELL_GAME_DIR}
                         COMMAND ${CMAKE_COMMAND} -E copy_if_different ${game_binaries} ${player_readme} ${TRIWELL_GAME_DIR})
foreach(data IMAGES SOUNDS)
  if(EXISTS ${CMAKE_SOURCE_DIR}/assets/${data})
    list(APPEND game_folder_commands
         COMMAND ${CMAKE_COMMAND} -E copy_directory ${CMAKE_SOURCE_DIR}/assets/${data} ${TRIWELL_GAME_DIR}/${data})
    install(DIRECTORY ${CMAKE_SOURCE_DIR}/assets/${data} DESTINATION ${game_zip} COMPONENT game)
  endif()
endforeach()
add_custom_target(gamefolder ALL ${game_folder_commands} COMMENT "Game folder ${TRIWELL_GAME_DIR}")
add_dependencies(gamefolder game TavrikEngine2D)
if(TARGET tavriksoundlite)
  add_dependencies(gamefolder tavriksoundlite)
endif()
install(FILES ${game_binaries} ${player_readme} DESTINATION ${game_zip} COMPONENT game)

# The engine SDK: both headers; per architecture the DLLs, their export tables and
# their import libraries by name, MinGW's and MSVC's; the CMake package that finds
# them; the engine's documentation; the example with its picture, sound and manifest.
# The i686 files are taken from the i686 tree, built before.
if(TRIWELL_I686_DIR)
  # The i686 files are packed as that tree holds them: it is brought up to date first.
  add_custom_target(i686_tree ALL COMMAND ${CMAKE_COMMAND} --build ${TRIWELL_I686_DIR} USES_TERMINAL
                    COMMENT "The i686 tree, for the engine SDK")
  install(FILES ${CMAKE_SOURCE_DIR}/engine/tavrik_engine.h ${CMAKE_SOURCE_DIR}/sound/tavrik_sound.h
          DESTINATION ${sdk_zip}/include COMPONENT sdk)
  set(sdk_arches x64 x86)
  set(sdk_trees ${CMAKE_BINARY_DIR} ${TRIWELL_I686_DIR})
  foreach(arch tree IN ZIP_LISTS sdk_arches sdk_trees)
    install(FILES ${tree}/sdk-lib/libTavrikEngine2D.dll.a ${tree}/sdk-lib/TavrikEngine2D.def
                  ${tree}/sdk-lib/libtavriksoundlite.dll.a ${tree}/sdk-lib/tavriksoundlite.def
                  ${tree}/sdk-lib/TavrikEngine2D.lib ${tree}/sdk-lib/tavriksoundlite.lib
            DESTINATION ${sdk_zip}/lib/${arch} COMPONENT sdk)
    install(FILES ${tree}/bin/TavrikEngine2D.dll ${tree}/bin/tavriksoundlite.dll DESTINATION ${sdk_zip}/bin/${arch} COMPONENT sdk)
  endforeach()
  # One package for both architectures: the version file leaves the choice to the
  # configuration file, which takes the compiler's.
  include(CMakePackageConfigHelpers)
  set(sdk_package ${CMAKE_BINARY_DIR}/sdk-package/TavrikEngine2DConfigVersion.cmake)
  write_basic_package_version_file(${sdk_package} VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion
                                   ARCH_INDEPENDENT)
  install(FILES ${CMAKE_SOURCE_DIR}/cmake/TavrikEngine2DConfig.cmake ${sdk_package}
          DESTINATION ${sdk_zip}/lib/cmake/TavrikEngine2D COMPONENT sdk)
  install(FILES ${CMAKE_SOURCE_DIR}/docs/ENGINE.md DESTINATION ${sdk_zip}/docs COMPONENT sdk)
  install(FILES ${CMAKE_SOURCE_DIR}/examples/CMakeLists.txt ${CMAKE_SOURCE_DIR}/examples/move_gem.cpp
                ${CMAKE_SOURCE_DIR}/examples/move_gem.rc
                ${CMAKE_SOURCE_DIR}/assets/example/Gem.bmp ${CMAKE_SOURCE_DIR}/assets/example/Click.wav
          DESTINATION ${sdk_zip}/examples COMPONENT sdk)
  # The example's manifest is the game's own.
  install(FILES ${CMAKE_BINARY_DIR}/game/game.exe.manifest DESTINATION ${sdk_zip}/examples
          RENAME move_gem.exe.manifest COMPONENT sdk)
endif()

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME Triwell)
set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
set(CPACK_ARCHIVE_GAME_FILE_NAME ${game_zip})
set(CPACK_ARCHIVE_SDK_FILE_NAME ${sdk_zip})
set(CPACK_COMPONENT_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
include(CPack)
