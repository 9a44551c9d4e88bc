carrowind_add_test(mapdoc_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/document_test.cpp ${CMAKE_CURRENT_LIST_DIR}/renderer_classes_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/atomic_file_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/application_test.cpp ${CMAKE_CURRENT_LIST_DIR}/document_lock_test.cpp
  LIBS carrowind_mapdoc)
carrowind_add_test(mapdoc_qgis_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/qgis/qgis_document_test.cpp ${CMAKE_CURRENT_LIST_DIR}/qgis/qgis_writing_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/qgis/layer_source_test.cpp ${CMAKE_CURRENT_LIST_DIR}/qgis/source_reading_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/qgis/qgis_rules_test.cpp
  LIBS carrowind_mapdoc PkgConfig::LIBZIP)
