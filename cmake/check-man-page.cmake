# cmake -DPAGE=man/vexorin.1 -DGROFF=/usr/bin/groff [-DMAN=/usr/bin/man] -P check-man-page.cmake
# Fails when groff warns about the manual page (-ww: all warnings) or when
# man -l cannot render it.
execute_process(COMMAND "${GROFF}" -man -ww -z "${PAGE}"
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT status EQUAL 0 OR NOT "${out}${err}" STREQUAL "")
  message(FATAL_ERROR "groff -man -ww -z ${PAGE} (status ${status}):\n${out}${err}")
endif()
if(MAN)
  execute_process(COMMAND "${CMAKE_COMMAND}" -E env MANWIDTH=80 MAN_KEEP_FORMATTING=0
                          "${MAN}" --warnings=w -l "${PAGE}"
                  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL 0 OR NOT "${err}" STREQUAL "" OR NOT out MATCHES "geometry indices tau4")
    message(FATAL_ERROR "man -l ${PAGE} (status ${status}):\n${err}")
  endif()
endif()
message(STATUS "${PAGE} renders without warnings")
