# The document and application objects at the root, and its rooms: the JSON
# format, renderers, layers, and QGIS files read as documents.
file(GLOB carrowind_mapdoc_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*.cpp
     ${CMAKE_CURRENT_LIST_DIR}/json/*.cpp ${CMAKE_CURRENT_LIST_DIR}/renderers/*.cpp
     ${CMAKE_CURRENT_LIST_DIR}/layers/*.cpp ${CMAKE_CURRENT_LIST_DIR}/qgis/*.cpp)
add_library(carrowind_mapdoc STATIC ${carrowind_mapdoc_sources})
target_include_directories(carrowind_mapdoc PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(carrowind_mapdoc PUBLIC carrowind_mapdoc_data carrowind_com carrowind_text nlohmann_json::nlohmann_json
  pugixml::pugixml PRIVATE PkgConfig::LIBZIP carrowind_process)
carrowind_precompile(carrowind_mapdoc <nlohmann/json.hpp> <filesystem> <string> <vector>)
# Where a build finds the QGIS plugin's records module before it is installed.
set_source_files_properties(${CMAKE_CURRENT_LIST_DIR}/qgis/qgis_evaluation.cpp PROPERTIES
  COMPILE_DEFINITIONS CARROWIND_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
# GCC 12 stops with an internal compiler error ("in assign_temp") when it
# speculatively devirtualizes the legend's class-label calls at -O3.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  set_source_files_properties(${CMAKE_CURRENT_LIST_DIR}/renderers/bivariate_renderer.cpp PROPERTIES
    COMPILE_OPTIONS -fno-devirtualize-speculatively)
endif()
