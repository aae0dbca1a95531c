# talvora_plugin(<deliverable> SOURCES ... [LIBS ...])
# Builds one plug-in library named exactly after its deliverable (no "lib"
# prefix), with the frame compiled in and a linker script that exports only
# the plain entry points listed in frame/exports/<deliverable>.map.
function(talvora_plugin name)
  cmake_parse_arguments(P "" "" "SOURCES;LIBS" ${ARGN})
  add_library(${name} SHARED ${P_SOURCES})
  set_target_properties(${name} PROPERTIES PREFIX "" OUTPUT_NAME ${name}
    LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/plugins RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/plugins)
  set(map ${PROJECT_SOURCE_DIR}/frame/exports/${name}.map)
  if(WIN32)
    # A DLL exports what a module-definition file lists: the map's names.
    talvora_def_from_map(${map} ${CMAKE_CURRENT_BINARY_DIR}/${name}.def ${name})
    target_sources(${name} PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/${name}.def)
  else()
    target_link_options(${name} PRIVATE "-Wl,--version-script=${map}" "-Wl,--no-undefined")
  endif()
  set_property(TARGET ${name} APPEND PROPERTY LINK_DEPENDS ${map})
  target_link_libraries(${name} PRIVATE talvora_frame ${P_LIBS})
endfunction()

# talvora_def_from_map(<map> <def> <deliverable>)
# Writes the module-definition file of a Windows DLL exporting exactly the
# global names of a linker version script.
function(talvora_def_from_map map def name)
  file(STRINGS ${map} lines)
  set(text "LIBRARY ${name}.dll\nEXPORTS\n")
  set(global FALSE)
  foreach(line ${lines})
    string(STRIP "${line}" line)
    if(line STREQUAL "global:")
      set(global TRUE)
    elseif(line STREQUAL "local:")
      set(global FALSE)
    elseif(global AND line MATCHES "^([A-Za-z_][A-Za-z0-9_]*);$")
      string(APPEND text "  ${CMAKE_MATCH_1}\n")
    endif()
  endforeach()
  file(WRITE ${def}.new "${text}")
  configure_file(${def}.new ${def} COPYONLY)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${map})
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
