# Lays the staged KELD data set into a machine root's driver folder.
#   cmake -DSTAGE=<staged driver folder> [-DROOT=<machine root>] -P install_data.cmake
# Without ROOT the root is chosen as the Win32 layer chooses it: $W32_MACHINE_ROOT, else
# $XDG_DATA_HOME/win32-machine, else $HOME/.local/share/win32-machine.
if(NOT STAGE OR NOT IS_DIRECTORY "${STAGE}")
  message(FATAL_ERROR "install_data.cmake: STAGE must name the staged driver folder (build target keld_data)")
endif()
if(NOT ROOT)
  if(DEFINED ENV{W32_MACHINE_ROOT} AND NOT "$ENV{W32_MACHINE_ROOT}" STREQUAL "")
    set(ROOT "$ENV{W32_MACHINE_ROOT}")
  elseif(DEFINED ENV{XDG_DATA_HOME} AND NOT "$ENV{XDG_DATA_HOME}" STREQUAL "")
    set(ROOT "$ENV{XDG_DATA_HOME}/win32-machine")
  else()
    set(ROOT "$ENV{HOME}/.local/share/win32-machine")
  endif()
endif()
set(driver "${ROOT}/spool/drivers/w32x86/3")
file(MAKE_DIRECTORY "${driver}" "${ROOT}/Windows/System32")
file(GLOB items "${STAGE}/*")
file(COPY ${items} DESTINATION "${driver}")
message(STATUS "KELD data set laid into ${driver}")
