# find_package(nlohmann_json 3 REQUIRED) for the MinGW cross-build.
#
# Debian's nlohmann-json3-dev is header-only and lives in the host's
# /usr/include, outside the cross-compilation root. Its own package
# configuration would add /usr/include to the include path, and then glibc's
# headers would shadow MinGW's. Instead only the nlohmann folder is made
# visible, through a link in the build tree, as the same imported target
# nlohmann_json::nlohmann_json that the native build gets.
find_path(nlohmann_json_HOST_INCLUDE_DIR nlohmann/json.hpp
  PATHS /usr/include /usr/local/include
  NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)

if(nlohmann_json_HOST_INCLUDE_DIR)
  file(STRINGS "${nlohmann_json_HOST_INCLUDE_DIR}/nlohmann/detail/abi_macros.hpp" version_lines
       REGEX "^#define NLOHMANN_JSON_VERSION_(MAJOR|MINOR|PATCH) ")
  foreach(part MAJOR MINOR PATCH)
    string(REGEX MATCH "NLOHMANN_JSON_VERSION_${part} +([0-9]+)" match "${version_lines}")
    set(nlohmann_json_VERSION_${part} "${CMAKE_MATCH_1}")
  endforeach()
  set(nlohmann_json_VERSION
      "${nlohmann_json_VERSION_MAJOR}.${nlohmann_json_VERSION_MINOR}.${nlohmann_json_VERSION_PATCH}")
endif()

include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(nlohmann_json
  REQUIRED_VARS nlohmann_json_HOST_INCLUDE_DIR
  VERSION_VAR nlohmann_json_VERSION)

if(nlohmann_json_FOUND AND NOT TARGET nlohmann_json::nlohmann_json)
  set(staged "${CMAKE_BINARY_DIR}/host-headers/nlohmann_json")
  file(MAKE_DIRECTORY "${staged}")
  if(NOT EXISTS "${staged}/nlohmann")
    file(CREATE_LINK "${nlohmann_json_HOST_INCLUDE_DIR}/nlohmann" "${staged}/nlohmann"
         SYMBOLIC COPY_ON_ERROR)
  endif()
  add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
  set_target_properties(nlohmann_json::nlohmann_json PROPERTIES
    INTERFACE_INCLUDE_DIRECTORIES "${staged}")
endif()
