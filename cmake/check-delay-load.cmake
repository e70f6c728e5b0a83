# Fails when one of DLLS is in EXE's ordinary import table: it is meant to be
# delay-loaded (cmake/delay-load), and a function missing from its .def list
# brings it back to the program's start.
execute_process(COMMAND ${OBJDUMP} -p ${EXE} OUTPUT_VARIABLE dump)
string(REPLACE "," ";" DLLS "${DLLS}")
foreach(dll IN LISTS DLLS)
  string(TOLOWER "${dump}" lower)
  if(lower MATCHES "dll name: ${dll}\\.dll")
    message(FATAL_ERROR "${EXE} imports ${dll}.dll at its start: add the functions it calls "
                        "from it to cmake/delay-load/${dll}.def")
  endif()
endforeach()
