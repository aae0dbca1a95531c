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
