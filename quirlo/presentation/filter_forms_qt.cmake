# The three filter dialogs: their widgets and an offscreen test that drives them.
target_sources(quirlo_presentation PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/include/quirlo/presentation/qt/filter_forms.h
  ${CMAKE_CURRENT_LIST_DIR}/qt/filter_forms.cpp
)

if(BUILD_TESTING)
  project_add_test(Qgui_filter_dialogs_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/qt_test_main.cpp
      ${CMAKE_CURRENT_LIST_DIR}/tests/filter_dialogs_test.cpp
    LIBS quirlo_presentation Qt6::Test)
endif()
