# The LatmapPlugin deliverable: the plug-in class, its workflow and exports,
# linked with the latency core when that library exists.
set(_lat ${CMAKE_CURRENT_LIST_DIR})
talvora_plugin(LatmapPlugin SOURCES
  ${_lat}/VozuRudoruzOri.cpp
  ${_lat}/plugin_exports.cpp
  ${_lat}/host_access.cpp
  ${_lat}/latency_run_setup.cpp
  ${_lat}/latency_run_vtc.cpp
  ${_lat}/latency_run_output.cpp)
if(TARGET latency_core)
  target_link_libraries(LatmapPlugin PRIVATE latency_core)
endif()
