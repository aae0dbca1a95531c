# The LatmapPlugin deliverable: the plug-in class and its exports over the
# latency run.
set(_lat ${CMAKE_CURRENT_LIST_DIR})
talvora_plugin(LatmapPlugin SOURCES
  ${_lat}/VozuRudoruzOri.cpp
  ${_lat}/plugin_exports.cpp
  LIBS latency_run)
