# Input calibration: records and their files, the raw-count smoother, the calibration
# stage, and the pipeline that joins it to the filters and the computation.
target_sources(quirlo_acquisition PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/src/calibration.cpp
  ${CMAKE_CURRENT_LIST_DIR}/src/calibration_math.cpp
  ${CMAKE_CURRENT_LIST_DIR}/src/calibration_records.cpp
  ${CMAKE_CURRENT_LIST_DIR}/src/input_pipeline.cpp
  ${CMAKE_CURRENT_LIST_DIR}/src/raw_smoother.cpp
)

if(BUILD_TESTING)
  project_add_test(qcore_calibration_test
    SOURCES
      ${CMAKE_CURRENT_LIST_DIR}/tests/calibration_test.cpp
      ${CMAKE_CURRENT_LIST_DIR}/tests/calibration_records_test.cpp
    LIBS quirlo_acquisition)
  # Packets from a box on a pseudo-terminal to the channel values.
  project_add_test(qcore_calibration_pipeline_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/input_pipeline_test.cpp
    LIBS quirlo_acquisition)
endif()

project_add_benchmark(qcore_calibration_bench
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench/calibration_bench.cpp
  LIBS quirlo_acquisition)
if(TARGET qcore_calibration_bench)
  # operator new/delete are replaced by malloc/free to count allocations; g++ flags that
  # pairing although the replacement makes it correct.
  target_compile_options(qcore_calibration_bench PRIVATE -Wno-mismatched-new-delete)
endif()
