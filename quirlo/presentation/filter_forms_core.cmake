# The three filter dialogs: their logic without widgets.
target_sources(quirlo_presentation_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/src/filter_form.cpp
)

if(BUILD_TESTING)
  project_add_test(qgui_filter_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/filter_form_test.cpp
    LIBS quirlo_presentation_core)
  set_target_properties(qgui_filter_test PROPERTIES AUTOMOC OFF)
endif()
