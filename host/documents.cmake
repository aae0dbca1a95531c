# The host's documents: file formats (pure readers and writers), the
# document store and the host functions that expose it to the plug-ins.
target_sources(talvora_host PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/formats/format_io.cpp
  ${CMAKE_CURRENT_LIST_DIR}/formats/vtc_file.cpp
  ${CMAKE_CURRENT_LIST_DIR}/formats/vmr_file.cpp
  ${CMAKE_CURRENT_LIST_DIR}/formats/protocol_file.cpp
  ${CMAKE_CURRENT_LIST_DIR}/formats/voi_file.cpp
  ${CMAKE_CURRENT_LIST_DIR}/formats/mask_file.cpp
  ${CMAKE_CURRENT_LIST_DIR}/formats/glm_file.cpp
  ${CMAKE_CURRENT_LIST_DIR}/formats/map_file.cpp
  ${CMAKE_CURRENT_LIST_DIR}/doc_vtc_source.cpp
  ${CMAKE_CURRENT_LIST_DIR}/doc_store.cpp
  ${CMAKE_CURRENT_LIST_DIR}/doc_vtc_functions.cpp
  ${CMAKE_CURRENT_LIST_DIR}/doc_region_functions.cpp
  ${CMAKE_CURRENT_LIST_DIR}/doc_map_functions.cpp
  ${CMAKE_CURRENT_LIST_DIR}/formats/fmr_map_file.cpp
  ${CMAKE_CURRENT_LIST_DIR}/doc_fmr_functions.cpp)
