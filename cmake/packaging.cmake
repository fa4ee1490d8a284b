# CPack settings for the two packages a user downloads:
#   Linux:   cpack -G DEB   -> vexorin_<version>_amd64.deb (configure with
#            -DCMAKE_INSTALL_PREFIX=/usr -DVEXORIN_STATIC_RUNTIME=OFF: Debian's
#            shared C and C++ runtime, dependencies read from the binary)
#   Windows: cpack -G ZIP   -> vexorin-<version>-win64.zip (the static
#            vexorin.exe with README, LICENSE and the examples)
set(CPACK_PACKAGE_NAME vexorin)
set(CPACK_PACKAGE_VENDOR "The vexorin developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "tau4, tau4' and tau5 geometry indices with su from CIF, SHELX and XYZ files")
set(CPACK_PACKAGE_DESCRIPTION
    "vexorin computes the coordination geometry indices tau4 and tau4'
(four-coordinate centres) and tau5 (five-coordinate centres) of a metal
atom in a crystal structure, with their standard uncertainties, and
names the shape: square planar, seesaw or tetrahedral; square pyramidal
or trigonal bipyramidal.
.
Given a CIF (or a SHELX .res/.ins file, with the SHELXL .mat covariance
file for su, or an XYZ file) and the label of the central atom, it finds
the coordinating atoms over all symmetry images by the covalent-radius
bond criterion or takes the named ones with their symmetry codes, lists
every L-M-L angle with its su and prints a plain-text report, optionally
also as text and HTML files or a single result line. It can be called
from Olex2.")
set(CPACK_PACKAGE_CONTACT "The vexorin developers <vexorin@users.noreply.example.org>")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_CURRENT_SOURCE_DIR}/LICENSE)
set(CPACK_RESOURCE_FILE_README ${CMAKE_CURRENT_SOURCE_DIR}/README.md)
set(CPACK_STRIP_FILES ON)

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_SYSTEM_NAME win64)
  set(CPACK_PACKAGE_FILE_NAME "vexorin-${PROJECT_VERSION}-win64")
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
  set(CPACK_DEBIAN_PACKAGE_SECTION science)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()

include(CPack)
