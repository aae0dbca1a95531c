# The stand-in host on Windows: its core and host functions are one program,
# Talvora.exe, which exports the host functions by name as the real host
# does (the plug-ins find it with GetModuleHandleA). No Qt, so no GUI mode;
# no FFTW or BLAS for Windows in Debian, so the portable numeric services.
find_package(nlohmann_json 3 REQUIRED)
find_package(CLI11 REQUIRED CONFIG)
enable_language(RC)

# The same sources as the Linux host library (read from its CMakeLists.txt,
# so a file added there is built here too), with the Windows system calls
# and the portable numeric services in place of the POSIX and FFTW/BLAS ones.
file(READ ${CMAKE_CURRENT_LIST_DIR}/CMakeLists.txt _linux_host)
if(NOT _linux_host MATCHES "add_library\\(talvora_host SHARED([^)]*)\\)")
  message(FATAL_ERROR "host/windows.cmake: no add_library(talvora_host SHARED ...) in host/CMakeLists.txt; "
    "list the host sources for Windows here")
endif()
string(REGEX MATCHALL "[A-Za-z0-9_/.]+\\.cpp" _host_sources "${CMAKE_MATCH_1}")
list(REMOVE_ITEM _host_sources numeric_services.cpp platform_posix.cpp lazy_aligned_copy.cpp)
list(APPEND _host_sources numeric_services_portable.cpp portable_fft.cpp platform_windows.cpp lazy_aligned_copy_eager.cpp)
add_library(talvora_host OBJECT ${_host_sources})
target_include_directories(talvora_host PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(talvora_host PUBLIC nlohmann_json::nlohmann_json talvora_frame)
include(${CMAKE_CURRENT_LIST_DIR}/documents.cmake)

add_executable(talvora talvora_main.cpp cli_commands.cpp gui_mode_unavailable.cpp windows/talvora.rc)
target_link_libraries(talvora PRIVATE talvora_host CLI11::CLI11)
set_target_properties(talvora PROPERTIES OUTPUT_NAME Talvora RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

# Programs and libraries for the Windows checks (scripts/test-windows.sh).
add_subdirectory(${PROJECT_SOURCE_DIR}/tests/windows ${CMAKE_BINARY_DIR}/tests/windows)
