# The calibration dialogs and the Reset Value dialog: their logic without widgets.
target_sources(quirlo_presentation_core PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR}/src/input_text.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/src/reset_value.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/src/calibration_forms.cpp
)

if(BUILD_TESTING)
  project_add_test(qgui_calibration_test
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tests/reset_value_test.cpp
      ${CMAKE_CURRENT_SOURCE_DIR}/tests/calibration_forms_test.cpp
    LIBS quirlo_presentation_core)
  set_target_properties(qgui_calibration_test PROPERTIES AUTOMOC OFF)
endif()
