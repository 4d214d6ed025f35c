# Runs `quirlo` for one second on the offscreen platform in a fresh program folder and checks
# that it ends normally and that shut-down saved the window's and the core's settings.
file(REMOVE_RECURSE "${HOME}")
file(MAKE_DIRECTORY "${HOME}")
set(ENV{QT_QPA_PLATFORM} offscreen)
execute_process(COMMAND "${QUIRLO}" --home "${HOME}" --port 0 --seconds 1
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 50)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "quirlo ended with ${rc}\n${out}\n${err}")
endif()
foreach(f "bars/bars.txt" "channels/chan.txt" "settings.ini")
  if(NOT EXISTS "${HOME}/${f}")
    message(FATAL_ERROR "shut-down did not write ${f}\n${err}")
  endif()
endforeach()
file(SIZE "${HOME}/bars/bars.txt" size)
if(NOT size EQUAL 52)
  message(FATAL_ERROR "bars.txt holds ${size} bytes, not 52")
endif()
file(REMOVE_RECURSE "${HOME}")

# A program folder where "Data" cannot be created: the program says why and does not start.
file(MAKE_DIRECTORY "${HOME}")
file(WRITE "${HOME}/Data" "a file where the folder should be")
execute_process(COMMAND "${QUIRLO}" --home "${HOME}" --port 0 --seconds 1
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 50)
if(rc EQUAL 0)
  message(FATAL_ERROR "quirlo started without its Data folder\n${out}\n${err}")
endif()
file(REMOVE_RECURSE "${HOME}")
