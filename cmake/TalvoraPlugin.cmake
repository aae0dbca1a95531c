# talvora_plugin(<deliverable> SOURCES ... [LIBS ...])
# Builds one plug-in library named exactly after its deliverable (no "lib"
# prefix), with the frame compiled in and a linker script that exports only
# the plain entry points listed in frame/exports/<deliverable>.map.
function(talvora_plugin name)
  cmake_parse_arguments(P "" "" "SOURCES;LIBS" ${ARGN})
  add_library(${name} SHARED ${P_SOURCES})
  set_target_properties(${name} PROPERTIES PREFIX "" OUTPUT_NAME ${name}
    LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/plugins)
  set(map ${PROJECT_SOURCE_DIR}/frame/exports/${name}.map)
  target_link_options(${name} PRIVATE "-Wl,--version-script=${map}" "-Wl,--no-undefined")
  set_property(TARGET ${name} APPEND PROPERTY LINK_DEPENDS ${map})
  target_link_libraries(${name} PRIVATE talvora_frame ${P_LIBS})
endfunction()
