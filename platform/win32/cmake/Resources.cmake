# Modules that carry resources.
#
#   win32_add_module(<target> SOURCES <files...> [RESOURCES <script.rc>] [LIBS <targets...>]
#                    [OUTPUT_NAME <name>] [OUTPUT_DIRECTORY <dir>]
#                    [RESOURCE_DIRS <dirs...>] [RESOURCE_DEPENDS <files or targets...>])
#
# Builds a shared library linked against the layer. With RESOURCES, the resource compiler
# w32rc turns the script into a C++ source (one exported resource directory, see
# win32/resource.h) at build time; the script's dependencies (files it names) are tracked
# through a depfile, so editing a bitmap or a data file rebuilds the module. Files the script
# names are found beside it, then in RESOURCE_DIRS (e.g. a folder of generated tables);
# RESOURCE_DEPENDS lists what must be built before the script is compiled.
# The file is named lib<OUTPUT_NAME>.so, which LoadLibraryW finds as "<OUTPUT_NAME>.DLL".
function(win32_add_module target)
  cmake_parse_arguments(M "" "OUTPUT_NAME;OUTPUT_DIRECTORY" "SOURCES;RESOURCES;LIBS;RESOURCE_DIRS;RESOURCE_DEPENDS" ${ARGN})
  set(sources ${M_SOURCES})
  set(include_args)
  foreach(dir ${M_RESOURCE_DIRS})
    list(APPEND include_args -I ${dir})
  endforeach()
  foreach(script ${M_RESOURCES})
    get_filename_component(script_abs ${script} ABSOLUTE)
    get_filename_component(script_name ${script} NAME_WE)
    set(out ${CMAKE_CURRENT_BINARY_DIR}/${target}_${script_name}_res.cpp)
    add_custom_command(
      OUTPUT ${out}
      COMMAND w32rc ${include_args} -o ${out} --depfile ${out}.d ${script_abs}
      DEPENDS w32rc ${script_abs} ${M_RESOURCE_DEPENDS}
      DEPFILE ${out}.d
      WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}
      COMMENT "Compiling resources ${script}"
      VERBATIM)
    list(APPEND sources ${out})
  endforeach()
  if(NOT sources)
    message(FATAL_ERROR "win32_add_module(${target}): no SOURCES and no RESOURCES")
  endif()
  add_library(${target} SHARED ${sources})
  target_link_libraries(${target} PRIVATE win32 ${M_LIBS})
  if(M_OUTPUT_NAME)
    set_target_properties(${target} PROPERTIES OUTPUT_NAME ${M_OUTPUT_NAME})
  endif()
  if(M_OUTPUT_DIRECTORY)
    set_target_properties(${target} PROPERTIES LIBRARY_OUTPUT_DIRECTORY ${M_OUTPUT_DIRECTORY})
  endif()
endfunction()

# Small modules the layer's own tests load (built with the tests, in one folder the tests
# find through the compile definition W32_TESTMOD_DIR).
if(BUILD_TESTING)
  set(W32_TESTMOD_DIR ${CMAKE_CURRENT_BINARY_DIR}/testmods)
  set(W32_TESTMOD_TARGETS w32_testmod w32_testfail w32_testpin)
  win32_add_module(w32_testmod SOURCES ${CMAKE_CURRENT_LIST_DIR}/../tests/modules/testmod.cpp
                   RESOURCES ${CMAKE_CURRENT_LIST_DIR}/../tests/modules/testmod.rc
                   OUTPUT_NAME TESTMOD OUTPUT_DIRECTORY ${W32_TESTMOD_DIR})
  win32_add_module(w32_testfail SOURCES ${CMAKE_CURRENT_LIST_DIR}/../tests/modules/testmod.cpp
                   OUTPUT_NAME TESTFAIL OUTPUT_DIRECTORY ${W32_TESTMOD_DIR})
  target_compile_definitions(w32_testfail PRIVATE TESTMOD_FAIL_ATTACH)
  win32_add_module(w32_testpin SOURCES ${CMAKE_CURRENT_LIST_DIR}/../tests/modules/testmod.cpp
                   OUTPUT_NAME TESTPIN OUTPUT_DIRECTORY ${W32_TESTMOD_DIR})
  target_compile_definitions(w32_testpin PRIVATE TESTMOD_PIN_SELF)

  # The test executables are defined later in this folder; hook them up at its end.
  function(_win32_wire_test_modules)
    foreach(test win32_module_test win32_resource_test)
      if(TARGET ${test})
        add_dependencies(${test} ${W32_TESTMOD_TARGETS} w32rc)
        target_compile_definitions(${test} PRIVATE W32_TESTMOD_DIR="${W32_TESTMOD_DIR}"
                                   W32RC_PATH="$<TARGET_FILE:w32rc>"
                                   W32_TEST_FIXTURES="${CMAKE_CURRENT_SOURCE_DIR}/tests/fixtures")
      endif()
    endforeach()
  endfunction()
  cmake_language(DEFER CALL _win32_wire_test_modules)
endif()
