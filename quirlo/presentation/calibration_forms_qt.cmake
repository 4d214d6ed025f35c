# The calibration dialogs, the Reset Value dialog and the set of input dialogs: their
# widgets and an offscreen test that drives them.
target_sources(quirlo_presentation PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/include/quirlo/presentation/qt/calibration_forms.h
  ${CMAKE_CURRENT_LIST_DIR}/qt/calibration_forms.cpp
  ${CMAKE_CURRENT_LIST_DIR}/include/quirlo/presentation/qt/reset_value_form.h
  ${CMAKE_CURRENT_LIST_DIR}/qt/reset_value_form.cpp
  ${CMAKE_CURRENT_LIST_DIR}/include/quirlo/presentation/qt/input_dialog_set.h
  ${CMAKE_CURRENT_LIST_DIR}/qt/input_dialog_set.cpp
)

if(BUILD_TESTING)
  project_add_test(Qgui_calibration_dialogs_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/qt_test_main.cpp
      ${CMAKE_CURRENT_LIST_DIR}/tests/input_dialog_set_test.cpp
    LIBS quirlo_presentation Qt6::Test)
endif()
