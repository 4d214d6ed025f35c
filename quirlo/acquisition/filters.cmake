# Input filters: the three filter classes, their settings records and the filter stage.
target_sources(quirlo_acquisition PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/src/move_avg.cpp
  ${CMAKE_CURRENT_LIST_DIR}/src/debounce.cpp
  ${CMAKE_CURRENT_LIST_DIR}/src/filter_records.cpp
  ${CMAKE_CURRENT_LIST_DIR}/src/input_filters.cpp
)

if(BUILD_TESTING)
  project_add_test(qcore_filter_test
    SOURCES
      ${CMAKE_CURRENT_LIST_DIR}/tests/filter_classes_test.cpp
      ${CMAKE_CURRENT_LIST_DIR}/tests/input_filters_test.cpp
    LIBS quirlo_acquisition)
endif()

project_add_benchmark(qcore_filter_bench
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench/filter_bench.cpp
  LIBS quirlo_acquisition)
