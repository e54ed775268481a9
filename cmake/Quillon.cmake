# Source selection by file name: *_win32.cpp is Windows user-interface or
# platform code and only builds with MinGW; *_posix.cpp only builds natively.
# Everything else is portable.
function(quillon_sources out)
  set(result)
  foreach(dir IN LISTS ARGN)
    file(GLOB files CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/${dir}/*.cpp")
    foreach(f IN LISTS files)
      if(f MATCHES "_win32\\.cpp$")
        if(WIN32)
          list(APPEND result "${f}")
        endif()
      elseif(f MATCHES "_posix\\.cpp$")
        if(NOT WIN32)
          list(APPEND result "${f}")
        endif()
      else()
        list(APPEND result "${f}")
      endif()
    endforeach()
  endforeach()
  set(${out} "${result}" PARENT_SCOPE)
endfunction()

# Portable sources only (no _win32 / _posix files).
function(quillon_portable_sources out)
  set(result)
  foreach(dir IN LISTS ARGN)
    file(GLOB files CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/${dir}/*.cpp")
    foreach(f IN LISTS files)
      if(NOT f MATCHES "_(win32|posix)\\.cpp$")
        list(APPEND result "${f}")
      endif()
    endforeach()
  endforeach()
  set(${out} "${result}" PARENT_SCOPE)
endfunction()

# Win32-only sources of the given folders.
function(quillon_win32_sources out)
  set(result)
  foreach(dir IN LISTS ARGN)
    file(GLOB files CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/${dir}/*_win32.cpp")
    list(APPEND result ${files})
  endforeach()
  set(${out} "${result}" PARENT_SCOPE)
endfunction()

function(quillon_dist target)
  if(QUILLON_DIST)
    add_custom_command(TARGET ${target} POST_BUILD
      COMMAND ${CMAKE_COMMAND} -E make_directory "${QUILLON_DIST_DIR}"
      COMMAND ${CMAKE_COMMAND} -E copy "$<TARGET_FILE:${target}>" "${QUILLON_DIST_DIR}/"
      VERBATIM)
  endif()
endfunction()
