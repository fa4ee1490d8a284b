# Fails when a header of src/ does not compile on its own: each is compiled
# as the only include of a translation unit, so that it includes what it
# uses. COMPILER, SOURCE_DIR (src/), WORK_DIR and INCLUDES (further include
# directories, a ;-list) come from the test.
file(GLOB_RECURSE headers RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/*.h)
set(flags -std=c++20 -fsyntax-only -Wall -Wextra -Werror -I${SOURCE_DIR})
foreach(dir IN LISTS INCLUDES)
  list(APPEND flags -isystem ${dir})
endforeach()
set(failures "")
file(MAKE_DIRECTORY ${WORK_DIR})
foreach(header IN LISTS headers)
  string(MAKE_C_IDENTIFIER ${header} name)
  set(unit ${WORK_DIR}/${name}.cpp)
  # Twice: the include guard must hold too.
  file(WRITE ${unit} "#include \"${header}\"\n#include \"${header}\"\n")
  execute_process(COMMAND ${COMPILER} ${flags} ${unit} RESULT_VARIABLE status
                  ERROR_VARIABLE errors OUTPUT_QUIET)
  if(NOT status EQUAL 0)
    list(APPEND failures "${header}:\n${errors}")
  endif()
endforeach()
list(LENGTH headers count)
if(failures)
  list(JOIN failures "\n" text)
  message(FATAL_ERROR "headers that do not compile alone:\n${text}")
endif()
message(STATUS "${count} headers compile alone")
