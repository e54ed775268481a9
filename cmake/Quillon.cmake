# Source selection by file name: *_win32.cpp is Windows user-interface or
# platform code and only builds with MinGW; *_posix.cpp only builds natively.
# Everything else is portable.
#
#   quillon_select(out MODE dir...)   MODE: ALL (what this toolchain builds),
#                                     PORTABLE (neither kind), WIN32 (only *_win32)
function(quillon_select out mode)
  set(result)
  foreach(dir IN LISTS ARGN)
    file(GLOB files CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/${dir}/*.cpp")
    foreach(f IN LISTS files)
      if(f MATCHES "_win32\\.cpp$")
        set(kind win32)
      elseif(f MATCHES "_posix\\.cpp$")
        set(kind posix)
      else()
        set(kind portable)
      endif()
      if((mode STREQUAL "PORTABLE" AND kind STREQUAL "portable")
         OR (mode STREQUAL "WIN32" AND kind STREQUAL "win32")
         OR (mode STREQUAL "ALL" AND (kind STREQUAL "portable"
             OR (kind STREQUAL "win32" AND WIN32) OR (kind STREQUAL "posix" AND NOT WIN32))))
        list(APPEND result "${f}")
      endif()
    endforeach()
  endforeach()
  set(${out} "${result}" PARENT_SCOPE)
endfunction()

function(quillon_sources out)
  quillon_select(result ALL ${ARGN})
  set(${out} "${result}" PARENT_SCOPE)
endfunction()

function(quillon_portable_sources out)
  quillon_select(result PORTABLE ${ARGN})
  set(${out} "${result}" PARENT_SCOPE)
endfunction()

function(quillon_win32_sources out)
  quillon_select(result WIN32 ${ARGN})
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

# Header-only libraries from Debian packages (CLI11 in /usr/include/CLI, stb in
# /usr/include/stb). The native compiler finds them in /usr/include; the MinGW
# compiler must not search /usr/include (glibc's headers live there), so it
# gets a folder of its own that links to just the library's folder.
function(quillon_debian_headers target subdir)
  if(NOT EXISTS /usr/include/${subdir})
    message(FATAL_ERROR "/usr/include/${subdir} is missing: run scripts/setup.sh")
  endif()
  if(WIN32)
    set(staged ${CMAKE_BINARY_DIR}/debian-include)
    file(MAKE_DIRECTORY ${staged})
    if(NOT EXISTS ${staged}/${subdir})
      file(CREATE_LINK /usr/include/${subdir} ${staged}/${subdir} SYMBOLIC)
    endif()
    target_include_directories(${target} SYSTEM PRIVATE ${staged})
  endif()
endfunction()
