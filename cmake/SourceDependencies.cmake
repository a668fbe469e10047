# Dependencies of the Windows build, built from source trees with the project's toolchain.

# cJSON from its unpacked Debian source package. The project includes <cjson/cJSON.h>.
if(NOT TAGWICK_CJSON_SOURCE OR NOT EXISTS "${TAGWICK_CJSON_SOURCE}/cJSON.c")
  message(FATAL_ERROR "TAGWICK_CJSON_SOURCE must name cJSON's source tree (apt-get source cjson)")
endif()
configure_file("${TAGWICK_CJSON_SOURCE}/cJSON.h" "${CMAKE_BINARY_DIR}/cjson-include/cjson/cJSON.h"
               COPYONLY)
add_library(tagwick_cjson STATIC "${TAGWICK_CJSON_SOURCE}/cJSON.c")
target_include_directories(tagwick_cjson PUBLIC "${CMAKE_BINARY_DIR}/cjson-include")
add_library(PkgConfig::CJSON ALIAS tagwick_cjson)

# libcsv, which reads commissioning plans, from its unpacked Debian source package.
if(NOT TAGWICK_CSV_SOURCE OR NOT EXISTS "${TAGWICK_CSV_SOURCE}/libcsv.c")
  message(FATAL_ERROR "TAGWICK_CSV_SOURCE must name libcsv's source tree (apt-get source libcsv)")
endif()
add_library(tagwick_csv STATIC "${TAGWICK_CSV_SOURCE}/libcsv.c")
target_include_directories(tagwick_csv PUBLIC "${TAGWICK_CSV_SOURCE}")
set(CSV_LIBRARY tagwick_csv)

# pugixml, which writes the JUnit verdict, from its unpacked Debian source package.
if(NOT TAGWICK_PUGIXML_SOURCE OR NOT EXISTS "${TAGWICK_PUGIXML_SOURCE}/src/pugixml.cpp")
  message(FATAL_ERROR "TAGWICK_PUGIXML_SOURCE must name pugixml's source tree (apt-get source pugixml)")
endif()
add_library(tagwick_pugixml STATIC "${TAGWICK_PUGIXML_SOURCE}/src/pugixml.cpp")
target_include_directories(tagwick_pugixml PUBLIC "${TAGWICK_PUGIXML_SOURCE}/src")
add_library(pugixml::pugixml ALIAS tagwick_pugixml)

# CLI11 is header-only and plain C++: the headers of the build machine's package, copied apart so
# that no other header of the build machine is seen.
if(NOT EXISTS "${TAGWICK_CLI11_INCLUDE}/CLI/CLI.hpp")
  message(FATAL_ERROR "TAGWICK_CLI11_INCLUDE must name the folder that holds CLI/CLI.hpp")
endif()
file(COPY "${TAGWICK_CLI11_INCLUDE}/CLI" DESTINATION "${CMAKE_BINARY_DIR}/cli11-include")
add_library(CLI11::CLI11 INTERFACE IMPORTED)
set_target_properties(CLI11::CLI11 PROPERTIES
  INTERFACE_INCLUDE_DIRECTORIES "${CMAKE_BINARY_DIR}/cli11-include")

if(TAGWICK_TESTS)
  if(NOT TAGWICK_GTEST_SOURCE)
    set(TAGWICK_GTEST_SOURCE /usr/src/googletest)
  endif()
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  add_subdirectory("${TAGWICK_GTEST_SOURCE}" "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL)
  # tests/ looks GoogleTest up; the targets above already are what it would find.
  set(GTest_FOUND TRUE)
endif()
