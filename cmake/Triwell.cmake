# Build helpers shared by the libraries, the game and the tests.

# Makes an export table from a .def whose names carry their 32-bit stdcall argument
# size (Name@N): kept for i686 (the linker's --kill-at strips them from the exported
# names), dropped for x86-64. With NONAME the table becomes an ordinal-only import
# table for dlltool.
function(triwell_def_file input output)
  cmake_parse_arguments(ARG "NONAME" "" "" ${ARGN})
  file(READ ${input} text)
  if(NOT CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
    string(REGEX REPLACE "@[0-9]+([ \t]+@)" "\\1" text "${text}")
  endif()
  if(ARG_NONAME)
    string(REGEX REPLACE "(@[0-9]+)[ \t]*\n" "\\1 NONAME\n" text "${text}")
  endif()
  file(WRITE ${output}.tmp "${text}")
  configure_file(${output}.tmp ${output} COPYONLY)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${input})
endfunction()

# An import library made by dlltool from an export table of triwell_def_file, under a
# target of its own. With --kill-at an i686 library offers the decorated symbols that
# callers compiled against the headers reference (_Name@N) and imports the plain names
# the DLL exports; the linker's own import library (--out-implib) offers only the plain
# ones. On x86-64 the option changes nothing. dlltool names the library's inner
# symbols after the output path it is given, so it gets the bare file name: the
# library is then the same whichever folder the tree is built in.
function(triwell_import_library target def lib)
  get_filename_component(lib_dir ${lib} DIRECTORY)
  get_filename_component(lib_name ${lib} NAME)
  add_custom_command(
    OUTPUT ${lib}
    COMMAND ${TRIWELL_DLLTOOL} --kill-at -d ${def} -l ${lib_name}
    WORKING_DIRECTORY ${lib_dir}
    DEPENDS ${def}
    COMMENT "Import library ${lib}")
  add_custom_target(${target} ALL DEPENDS ${lib})
endfunction()

# An import library for Microsoft's linker (and lld-link), made by llvm-dlltool from
# an export table of triwell_def_file, under a target of its own. On i686 it offers
# the names that MSVC gives stdcall functions (_Name@N, __imp__Name@N) and imports the
# undecorated names the DLL exports (-k).
function(triwell_msvc_import_library target def lib)
  find_program(TRIWELL_LLVM_DLLTOOL NAMES llvm-dlltool llvm-dlltool-14 REQUIRED)
  if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
    set(machine i386 -k)
  else()
    set(machine i386:x86-64)
  endif()
  add_custom_command(
    OUTPUT ${lib}
    COMMAND ${TRIWELL_LLVM_DLLTOOL} -m ${machine} -d ${def} -l ${lib}
    DEPENDS ${def}
    COMMENT "MSVC import library ${lib}")
  add_custom_target(${target} ALL DEPENDS ${lib})
endfunction()

# A GoogleTest executable of pure code. In the native build it is compiled with the
# sanitizers; in the Windows build the test run calls the native executable by path.
function(triwell_native_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  if(WIN32)
    if(TRIWELL_NATIVE_DIR AND TRIWELL_RUNS_TESTS)
      add_test(NAME native.${name} COMMAND ${TRIWELL_NATIVE_DIR}/native-bin/${name})
    endif()
  else()
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest_main)
    add_test(NAME native.${name} COMMAND ${name})
  endif()
endfunction()

# A libFuzzer target over pure code, run for a bounded time by the test run from a
# seed corpus. Only built where clang is the native compiler.
function(triwell_fuzz_target name)
  cmake_parse_arguments(ARG "" "CORPUS;SECONDS" "SOURCES;INCLUDES" ${ARGN})
  if(NOT ARG_SECONDS)
    set(ARG_SECONDS 45)
  endif()
  if(WIN32)
    if(TRIWELL_NATIVE_DIR AND TRIWELL_RUNS_TESTS)
      set(work ${CMAKE_BINARY_DIR}/fuzz-work/${name})
      add_test(NAME fuzz.${name}
               COMMAND sh -c "mkdir -p '${work}' && exec '${TRIWELL_NATIVE_DIR}/native-bin/${name}' -max_total_time=${ARG_SECONDS} -print_final_stats=1 -timeout=10 -rss_limit_mb=1024 '${work}' '${ARG_CORPUS}'")
    endif()
  elseif(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    add_executable(${name} ${ARG_SOURCES})
    target_include_directories(${name} PRIVATE ${ARG_INCLUDES})
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  endif()
endfunction()

# A GoogleTest executable built for Windows and run under Wine, one test per case.
# Every Wine test shares the bench's prefix and display (fixture "wine") and takes
# the "wine" lock, since programs of one prefix share one virtual desktop.
# ENVIRONMENT takes VAR=value entries for the test process; WORKING_DIRECTORY is
# where it runs; TIMEOUT is each case's limit in seconds (180 unless given).
function(triwell_wine_test name)
  cmake_parse_arguments(ARG "" "WORKING_DIRECTORY;TIMEOUT" "SOURCES;LIBS;ENVIRONMENT" ${ARGN})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 180)
  endif()
  if(NOT ARG_WORKING_DIRECTORY)
    set(ARG_WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  endif()
  if(NOT TRIWELL_RUNS_TESTS)
    return()
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest_main)
  # The environment goes through the bench, which starts the program: a list in a
  # test property would not survive test discovery.
  set(emulator ${CMAKE_CROSSCOMPILING_EMULATOR})
  foreach(entry ${ARG_ENVIRONMENT})
    list(APPEND emulator --env ${entry})
  endforeach()
  set_target_properties(${name} PROPERTIES CROSSCOMPILING_EMULATOR "${emulator}")
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 180
    TEST_PREFIX "${TRIWELL_TEST_PREFIX}${name}."
    WORKING_DIRECTORY ${ARG_WORKING_DIRECTORY}
    PROPERTIES FIXTURES_REQUIRED wine RESOURCE_LOCK wine TIMEOUT ${ARG_TIMEOUT})
endfunction()

# An end-to-end test: a Python script of the bench that drives game.exe under Wine.
# The x86-64 tree registers it once per architecture: e2e.NAME plays its own game
# folder, e2e.i686.NAME the i686 tree's on the same bench (skipped, code 77, where the
# kernel refuses 32-bit programs).
function(triwell_e2e_test name script)
  cmake_parse_arguments(ARG "" "TIMEOUT" "ARGS;ENVIRONMENT" ${ARGN})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  if(NOT TRIWELL_RUNS_TESTS OR NOT CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
    return()
  endif()
  add_test(NAME e2e.${name}
           COMMAND /usr/bin/python3 ${script} --build ${CMAKE_BINARY_DIR} ${ARG_ARGS})
  set(tests e2e.${name})
  if(TRIWELL_I686_DIR)
    add_test(NAME e2e.i686.${name}
             COMMAND /usr/bin/python3 ${script} --build ${CMAKE_BINARY_DIR} --game ${TRIWELL_I686_DIR} ${ARG_ARGS})
    list(APPEND tests e2e.i686.${name})
  endif()
  set_tests_properties(${tests} PROPERTIES FIXTURES_REQUIRED wine RESOURCE_LOCK wine TIMEOUT ${ARG_TIMEOUT}
                       SKIP_RETURN_CODE 77 ENVIRONMENT "${ARG_ENVIRONMENT}")
endfunction()

# Version information for a Windows binary: product "Triwell", the project's version,
# a description; FileType is VFT_APP or VFT_DLL.
function(triwell_version_resource target description file_name file_type)
  set(TRIWELL_RC_DESCRIPTION "${description}")
  set(TRIWELL_RC_NAME "${target}")
  set(TRIWELL_RC_FILENAME "${file_name}")
  set(TRIWELL_RC_FILETYPE "${file_type}")
  configure_file(${CMAKE_SOURCE_DIR}/cmake/version.rc.in ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc @ONLY)
  target_sources(${target} PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
endfunction()
