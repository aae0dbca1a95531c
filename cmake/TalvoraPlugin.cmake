# talvora_plugin(<deliverable> SOURCES ... [LIBS ...])
# Builds one plug-in library named exactly after its deliverable (no "lib"
# prefix), with the frame compiled in, exporting only the plain entry points
# its descriptor frame/deliverables/<deliverable>.h lists.
function(talvora_plugin name)
  cmake_parse_arguments(P "" "" "SOURCES;LIBS" ${ARGN})
  add_library(${name} SHARED ${P_SOURCES})
  set_target_properties(${name} PROPERTIES PREFIX "" OUTPUT_NAME ${name}
    LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/plugins RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/plugins)
  talvora_export_names(${name} exports)
  # A linker version script (the listed names global, everything else
  # local), written on every system: the Windows checks compare against it.
  set(map ${CMAKE_BINARY_DIR}/exports/${name}.map)
  talvora_write_if_changed(${map} "{\n  global:\n@LINES@  local:\n    *;\n};\n" "    @NAME@;\n" ${exports})
  if(WIN32)
    # A DLL exports what a module-definition file lists.
    set(def ${CMAKE_BINARY_DIR}/exports/${name}.def)
    talvora_write_if_changed(${def} "LIBRARY ${name}.dll\nEXPORTS\n@LINES@" "  @NAME@\n" ${exports})
    target_sources(${name} PRIVATE ${def})
  else()
    target_link_options(${name} PRIVATE "-Wl,--version-script=${map}" "-Wl,--no-undefined")
    set_property(TARGET ${name} APPEND PROPERTY LINK_DEPENDS ${map})
  endif()
  target_link_libraries(${name} PRIVATE talvora_frame ${P_LIBS})
endfunction()

# talvora_export_names(<deliverable> <out-var>)
# The exported names of a deliverable's descriptor, one `X(name)` line each
# in frame/deliverables/<deliverable>.h, as a list.
function(talvora_export_names name out)
  set(header ${PROJECT_SOURCE_DIR}/frame/deliverables/${name}.h)
  if(NOT EXISTS ${header})
    message(FATAL_ERROR "talvora_plugin(${name}): no descriptor ${header}")
  endif()
  # Matched in the whole text: the lines end in backslashes, which a CMake
  # list of lines would take for escapes. The common entry points come
  # first, from frame/deliverable.h.
  file(READ ${header} text)
  if(text MATCHES "TL_COMMON_EXPORTS\\(X\\)")
    file(READ ${PROJECT_SOURCE_DIR}/frame/deliverable.h common)
    set(text "${common}${text}")
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/frame/deliverable.h)
  endif()
  string(REGEX MATCHALL "\n[ ]*X\\([A-Za-z_][A-Za-z0-9_]*\\)" lines "${text}")
  set(names "")
  foreach(line ${lines})
    string(REGEX REPLACE "^\n[ ]*X\\(([A-Za-z_][A-Za-z0-9_]*)\\)$" "\\1" export "${line}")
    list(APPEND names ${export})
  endforeach()
  if(NOT names)
    message(FATAL_ERROR "talvora_plugin(${name}): ${header} lists no exports")
  endif()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${header})
  set(${out} ${names} PARENT_SCOPE)
endfunction()

# talvora_write_if_changed(<file> <text with @LINES@> <line pattern with @NAME@> <names>...)
# Writes <file> from a text whose @LINES@ is replaced by one line per name;
# the file keeps its time stamp when its content does not change, so the
# library is not relinked for nothing.
function(talvora_write_if_changed file template pattern)
  set(lines "")
  foreach(export ${ARGN})
    string(REPLACE "@NAME@" "${export}" line "${pattern}")
    string(APPEND lines "${line}")
  endforeach()
  string(REPLACE "@LINES@" "${lines}" text "${template}")
  file(WRITE ${file}.new "${text}")
  configure_file(${file}.new ${file} COPYONLY)
endfunction()

# talvora_add_plugin(<deliverable> PARTS <prefix>
#                    [CORE src...] [IO src...] [UI src...] [PLUGIN src...]
#                    ENTRY src...
#                    [CORE_LIBS lib...] [IO_LIBS lib...] [UI_LIBS lib...] [PLUGIN_LIBS lib...]
#                    [FILES file...])
# Declares a whole plug-in in its four parts, each a static library named
# <prefix>_core, <prefix>_io, <prefix>_ui and <prefix>_plugin (a part without
# sources is left out):
#   core   pure numerics: plain data in and out, no host, no Qt, no files;
#   io     the plug-in's own files (links core and the frame's file helpers);
#   ui     Qt windows (links io and core);
#   plugin host glue, commands and workflow (links every part before it).
# ENTRY sources (the plug-in class's exported entry points) are compiled into
# the deliverable itself, so the linker keeps them. FILES (forms) are copied
# beside the library, where the host looks for them.
function(talvora_add_plugin name)
  cmake_parse_arguments(P "" "PARTS"
    "CORE;IO;UI;PLUGIN;ENTRY;CORE_LIBS;IO_LIBS;UI_LIBS;PLUGIN_LIBS;FILES" ${ARGN})
  if(NOT P_PARTS OR NOT P_ENTRY)
    message(FATAL_ERROR "talvora_add_plugin(${name}): PARTS and ENTRY are required")
  endif()
  set(chain "")
  foreach(part CORE IO UI PLUGIN)
    if(NOT P_${part})
      continue()
    endif()
    string(TOLOWER ${part} suffix)
    set(lib ${P_PARTS}_${suffix})
    add_library(${lib} STATIC ${P_${part}})
    set_target_properties(${lib} PROPERTIES POSITION_INDEPENDENT_CODE ON)
    target_include_directories(${lib} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${lib} PUBLIC ${chain} ${P_${part}_LIBS})
    if(NOT part STREQUAL "CORE")
      target_link_libraries(${lib} PUBLIC talvora_frame)
    endif()
    set(chain ${lib} ${chain})
  endforeach()
  talvora_plugin(${name} SOURCES ${P_ENTRY} LIBS ${chain})
  foreach(file ${P_FILES})
    get_filename_component(base ${file} NAME)
    configure_file(${file} ${CMAKE_BINARY_DIR}/plugins/${base} COPYONLY)
  endforeach()
endfunction()
