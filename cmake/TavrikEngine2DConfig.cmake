# The engine SDK as a CMake package: find_package(TavrikEngine2D CONFIG) with the
# unpacked SDK in CMAKE_PREFIX_PATH gives two imported targets,
#   TavrikEngine2D::Engine  TavrikEngine2D.dll and tavrik_engine.h
#   TavrikEngine2D::Sound   tavriksoundlite.dll and tavrik_sound.h
# for the architecture of the compiler (x64 or x86) and its import libraries: .lib for
# MSVC and compilers that link like it (clang-cl), lib*.dll.a for MinGW.
get_filename_component(_tavrik_sdk "${CMAKE_CURRENT_LIST_DIR}/../../.." ABSOLUTE)

if(NOT WIN32)
  set(${CMAKE_FIND_PACKAGE_NAME}_FOUND FALSE)
  set(${CMAKE_FIND_PACKAGE_NAME}_NOT_FOUND_MESSAGE "the libraries are for Windows (CMAKE_SYSTEM_NAME Windows)")
  return()
endif()
foreach(_tavrik_component ${${CMAKE_FIND_PACKAGE_NAME}_FIND_COMPONENTS})
  if(NOT _tavrik_component MATCHES "^(Engine|Sound)$")
    set(${CMAKE_FIND_PACKAGE_NAME}_FOUND FALSE)
    set(${CMAKE_FIND_PACKAGE_NAME}_NOT_FOUND_MESSAGE "no component ${_tavrik_component}: there are Engine and Sound")
    return()
  endif()
endforeach()
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(arm|ARM|aarch64)" OR CMAKE_CXX_COMPILER_ARCHITECTURE_ID MATCHES "ARM"
   OR CMAKE_C_COMPILER_ARCHITECTURE_ID MATCHES "ARM")
  set(${CMAKE_FIND_PACKAGE_NAME}_FOUND FALSE)
  set(${CMAKE_FIND_PACKAGE_NAME}_NOT_FOUND_MESSAGE "the libraries are for x64 and x86 only")
  return()
endif()
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(_tavrik_arch x64)
elseif(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(_tavrik_arch x86)
else()
  set(${CMAKE_FIND_PACKAGE_NAME}_FOUND FALSE)
  set(${CMAKE_FIND_PACKAGE_NAME}_NOT_FOUND_MESSAGE "no compiler of known pointer size: enable C or C++ first")
  return()
endif()

# Every file is looked for before any target is made: a package found only in part
# defines nothing.
foreach(_tavrik_target Engine Sound)
  if(_tavrik_target STREQUAL "Engine")
    set(_tavrik_dll TavrikEngine2D)
  else()
    set(_tavrik_dll tavriksoundlite)
  endif()
  if(MSVC OR CMAKE_CXX_SIMULATE_ID STREQUAL "MSVC" OR CMAKE_C_SIMULATE_ID STREQUAL "MSVC")
    set(_tavrik_implib_${_tavrik_target} "${_tavrik_sdk}/lib/${_tavrik_arch}/${_tavrik_dll}.lib")
  else()
    set(_tavrik_implib_${_tavrik_target} "${_tavrik_sdk}/lib/${_tavrik_arch}/lib${_tavrik_dll}.dll.a")
  endif()
  set(_tavrik_dll_${_tavrik_target} "${_tavrik_sdk}/bin/${_tavrik_arch}/${_tavrik_dll}.dll")
  foreach(_tavrik_file "${_tavrik_implib_${_tavrik_target}}" "${_tavrik_dll_${_tavrik_target}}")
    if(NOT EXISTS "${_tavrik_file}")
      set(${CMAKE_FIND_PACKAGE_NAME}_FOUND FALSE)
      set(${CMAKE_FIND_PACKAGE_NAME}_NOT_FOUND_MESSAGE "${_tavrik_file} is missing")
      return()
    endif()
  endforeach()
endforeach()
foreach(_tavrik_target Engine Sound)
  if(NOT TARGET TavrikEngine2D::${_tavrik_target})
    add_library(TavrikEngine2D::${_tavrik_target} SHARED IMPORTED)
    set_target_properties(TavrikEngine2D::${_tavrik_target} PROPERTIES
      IMPORTED_LOCATION "${_tavrik_dll_${_tavrik_target}}"
      IMPORTED_IMPLIB "${_tavrik_implib_${_tavrik_target}}"
      INTERFACE_INCLUDE_DIRECTORIES "${_tavrik_sdk}/include")
  endif()
endforeach()

unset(_tavrik_sdk)
unset(_tavrik_arch)
unset(_tavrik_target)
unset(_tavrik_dll)
unset(_tavrik_file)
unset(_tavrik_component)
foreach(_tavrik_target Engine Sound)
  unset(_tavrik_implib_${_tavrik_target})
  unset(_tavrik_dll_${_tavrik_target})
endforeach()
unset(_tavrik_target)
