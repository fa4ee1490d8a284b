# VEXORIN_STATIC_RUNTIME: the Linux program linked with -static.
#
# The program calls nothing of glibc that needs its dynamic parts (no name
# service, no iconv, no locale data, no dlopen), so a fully static binary is
# safe, and it skips the dynamic loader: on a typical CIF most of a whole run
# is process start, and a static start takes about half the time.
if(VEXORIN_STATIC_RUNTIME AND CMAKE_SYSTEM_NAME STREQUAL "Linux" AND NOT VEXORIN_SANITIZE
   AND NOT VEXORIN_FUZZ)
  target_link_options(vexorin PRIVATE -static)
endif()
