# talvora_header_only(<target> <folder under /usr/include>)
# An imported target for a header-only package of the build machine. Its
# include folder holds a link to that one package folder, never the whole
# /usr/include, whose C library headers must not reach the cross compiler.
function(talvora_header_only target folder)
  if(TARGET ${target})
    return()
  endif()
  set(stage ${CMAKE_BINARY_DIR}/header-only)
  if(NOT EXISTS /usr/include/${folder})
    message(FATAL_ERROR "/usr/include/${folder} is missing: install its Debian package")
  endif()
  file(MAKE_DIRECTORY ${stage})
  if(NOT EXISTS ${stage}/${folder})
    file(CREATE_LINK /usr/include/${folder} ${stage}/${folder} SYMBOLIC)
  endif()
  add_library(${target} INTERFACE IMPORTED GLOBAL)
  set_target_properties(${target} PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${stage})
endfunction()
