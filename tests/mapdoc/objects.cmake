carrowind_add_test(mapdoc_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/document_test.cpp ${CMAKE_CURRENT_LIST_DIR}/renderer_classes_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/application_test.cpp
  LIBS carrowind_mapdoc)
