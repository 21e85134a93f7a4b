# Helpers shared by the project's CMake files.

# Appends to VAR the platform file of each stem: STEM_win32.cpp on Windows, STEM_posix.cpp
# elsewhere.
function(tokimori_platform_sources var)
  set(files)
  foreach(stem IN LISTS ARGN)
    if(WIN32)
      list(APPEND files ${stem}_win32.cpp)
    else()
      list(APPEND files ${stem}_posix.cpp)
    endif()
  endforeach()
  set(${var} ${files} PARENT_SCOPE)
endfunction()

# The project's warnings for one of its own targets (not for third-party code).
function(tokimori_warnings target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4 /utf-8)
    if(TOKIMORI_WERROR)
      target_compile_options(${target} PRIVATE /WX)
    endif()
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
    if(TOKIMORI_WERROR)
      target_compile_options(${target} PRIVATE -Werror)
    endif()
  endif()
endfunction()
