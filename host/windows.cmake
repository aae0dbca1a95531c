# The stand-in host on Windows: its core and host functions are one program,
# Talvora.exe, which exports the host functions by name as the real host
# does (the plug-ins find it with GetModuleHandleA). No Qt, so no GUI mode;
# no FFTW or BLAS for Windows in Debian, so the portable numeric services.
# The source lists are host/CMakeLists.txt's, shared with the Linux build.
find_package(nlohmann_json 3 REQUIRED)
find_package(CLI11 REQUIRED CONFIG)
enable_language(RC)

add_library(talvora_host OBJECT ${TALVORA_HOST_SOURCES} ${TALVORA_HOST_WINDOWS_SOURCES})
target_include_directories(talvora_host PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(talvora_host PUBLIC nlohmann_json::nlohmann_json talvora_frame)

add_executable(talvora ${TALVORA_PROGRAM_SOURCES} ${TALVORA_COMMAND_SOURCES} app/gui_mode_unavailable.cpp
  app/convert_command_unavailable.cpp app/windows/talvora.rc)
target_link_libraries(talvora PRIVATE talvora_host CLI11::CLI11)
set_target_properties(talvora PROPERTIES OUTPUT_NAME Talvora RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

# Programs and libraries for the Windows checks (scripts/test-windows.sh).
add_subdirectory(${PROJECT_SOURCE_DIR}/tests/windows ${CMAKE_BINARY_DIR}/tests/windows)
