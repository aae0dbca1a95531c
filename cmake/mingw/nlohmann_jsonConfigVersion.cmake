# The Debian package's version, read from its own version file.
include(/usr/share/cmake/nlohmann_json/nlohmann_jsonConfigVersion.cmake OPTIONAL RESULT_VARIABLE _found)
if(NOT _found)
  set(PACKAGE_VERSION_COMPATIBLE FALSE)
endif()
