# The graph plug-in's own code: the manifest reader and subject data (plain
# C++), and the Qt dialogs, models and widgets (nodora_ui).
find_package(Qt5 REQUIRED COMPONENTS Widgets Charts)
find_package(Eigen3 3.3 REQUIRED NO_MODULE)
find_package(Boost REQUIRED)

set(CMAKE_AUTOMOC ON)

add_library(nodora_core STATIC
  study_manifest.cpp
  subject_data.cpp
  graph_feature_compute.cpp
  subject_report.cpp
  circular_layout.cpp
  matrix_tables.cpp
  weight_policy.cpp
  group_analysis.cpp
  feature_registry.cpp)
set_target_properties(nodora_core PROPERTIES POSITION_INDEPENDENT_CODE ON AUTOMOC OFF)
target_include_directories(nodora_core PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(nodora_core PUBLIC Boost::headers Eigen3::Eigen linkmesh)
# Boost's JSON parser pulls in the old global bind placeholders; keep them
# quiet and as they are.
target_compile_definitions(nodora_core PRIVATE BOOST_BIND_GLOBAL_PLACEHOLDERS)

add_library(nodora_ui STATIC
  widgets/qxtspanslider.h
  widgets/qxtspanslider_p.h
  widgets/qxtspanslider.cpp
  user_prompts.cpp
  subjects_model.h
  subjects_model.cpp
  nodora_form.cpp
  nodora.h
  nodora.cpp
  nodes_model.h
  nodes_model.cpp
  graph_features_model.h
  graph_features_model.cpp
  connectivity_form.cpp
  connectivity_object.h
  connectivity_object.cpp
  connectivity_object_ui.h
  connectivity_object_ui.cpp
  views/plot_export.cpp
  views/my_graphics_simple_text_item.h
  views/my_slider.h
  views/my_slider.cpp
  views/circular_plot_widget.h
  views/circular_plot_widget.cpp
  views/circular_plot.h
  views/circular_plot.cpp
  views/my_label.h
  views/matrix_widgets.h
  views/matrix_widgets.cpp
  views/view_matrix.h
  views/view_matrix.cpp
  views/line_plot.h
  views/line_plot.cpp)
set_target_properties(nodora_ui PROPERTIES POSITION_INDEPENDENT_CODE ON)
target_include_directories(nodora_ui PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(nodora_ui PUBLIC nodora_core talvora_frame Qt5::Widgets Qt5::Charts)

# Command line: every measure of the subjects named by manifests.
add_executable(nodora-measures tools/nodora_measures_main.cpp)
set_target_properties(nodora-measures PROPERTIES AUTOMOC OFF)
target_link_libraries(nodora-measures PRIVATE nodora_core)

# The plug-in's windows without a host (trying the interface, screenshots).
add_executable(nodora-demo tools/nodora_demo_main.cpp)
target_link_libraries(nodora-demo PRIVATE nodora_ui)
