# Debian packages, built with `cpack -G DEB` in the build directory:
#   velkio          the libraries, headers, CMake and pkg-config files, the tool
#   python3-velkio  the Python package (pure Python, over the installed library)
# Both install under /usr, whatever prefix the build was configured with, and
# share the summary line of their descriptions (the project's description).
# This file is read at the end of the top directory, once every install rule
# is known.
set(VELKIO_PACKAGE_CONTACT "velkio developers <velkio@localhost>" CACHE STRING
    "Maintainer named in the Debian packages")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velkio)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_CONTACT "${VELKIO_PACKAGE_CONTACT}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# Stripped, as Debian ships binaries; the debug information stays in the build tree.
set(CPACK_STRIP_FILES ON)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING ONE_PER_GROUP)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION libs)

# The library package. Its dependencies (the C and C++ runtimes) are read off
# the binaries by dpkg-shlibdeps; a shlibs file comes with it, and its
# maintainer scripts run ldconfig.
set(CPACK_DEBIAN_LIBRARY_PACKAGE_NAME velkio)
set(CPACK_DEBIAN_LIBRARY_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(CPACK_DEBIAN_LIBRARY_DESCRIPTION
    "libvelkio drives the board through the x86 I/O ports; libvelkio-sim runs
the same functions on a simulated board with a test bench. With the headers,
the CMake package (velkio::velkio, velkio::velkio-sim) and the pkg-config
files velkio.pc and velkio-sim.pc.")
if(TARGET velkio-tool)
  string(APPEND CPACK_DEBIAN_LIBRARY_DESCRIPTION "\nThe velkio tool runs the functions from the command line.")
endif()

# The Python package. The interpreter writes byte code next to the modules;
# that is removed with the package.
set(CPACK_DEBIAN_PYTHON_PACKAGE_NAME python3-velkio)
set(CPACK_DEBIAN_PYTHON_PACKAGE_ARCHITECTURE all)
set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS "python3, python3-numpy, velkio (= ${PROJECT_VERSION})")
set(CPACK_DEBIAN_PYTHON_DESCRIPTION
    "The Python binding: the velkio package calls the velkio libraries through
ctypes and exchanges sample blocks as NumPy arrays; its bench module
configures the simulated board.")
if(IS_ABSOLUTE "${VELKIO_PYTHON_INSTALL_DIR}")
  set(velkio_python_dir "${VELKIO_PYTHON_INSTALL_DIR}/velkio")
else()
  set(velkio_python_dir "${CPACK_PACKAGING_INSTALL_PREFIX}/${VELKIO_PYTHON_INSTALL_DIR}/velkio")
endif()
set(velkio_python_prerm "${PROJECT_BINARY_DIR}/cpack/python/prerm")
file(CONFIGURE OUTPUT "${velkio_python_prerm}" @ONLY CONTENT [[#!/bin/sh
set -e
rm -rf "@velkio_python_dir@/__pycache__"
]])
file(CHMOD "${velkio_python_prerm}" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
     GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_PYTHON_PACKAGE_CONTROL_EXTRA "${velkio_python_prerm}")

include(CPack)

cpack_add_component_group(library)
cpack_add_component_group(python)
cpack_add_component(runtime GROUP library)
cpack_add_component(development GROUP library)
cpack_add_component(tools GROUP library)
cpack_add_component(python GROUP python)
