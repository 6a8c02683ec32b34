# What `cmake --install` puts where, and the packages built from it:
#  - the headers, both libraries with their SONAME links and the velkio tool,
#    in the GNUInstallDirs places;
#  - a CMake package: find_package(velkio 1 CONFIG REQUIRED) gives the targets
#    velkio::velkio and velkio::velkio-sim;
#  - the pkg-config files velkio.pc and velkio-sim.pc;
#  - the Python package (bindings/python);
#  - the Debian packages that CPack makes of all this (velkio-cpack.cmake).
# The version comes from project() alone. Every file that points at another
# installed file does so relative to itself, so an installation can be moved:
# the same files serve from /usr, /usr/local or a staging directory.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(VELKIO_CMAKE_INSTALL_DIR "${CMAKE_INSTALL_LIBDIR}/cmake/velkio")
set(VELKIO_PKGCONFIG_INSTALL_DIR "${CMAKE_INSTALL_LIBDIR}/pkgconfig")

# Components, so that packagers can split the installation:
#   runtime      the shared libraries with their SONAME links
#   development  headers, the .so links, CMake and pkg-config files
#   tools        the velkio command-line tool
#   python       the Python package
install(TARGETS velkio velkio-sim EXPORT velkio-targets
  LIBRARY DESTINATION "${CMAKE_INSTALL_LIBDIR}" COMPONENT runtime NAMELINK_COMPONENT development
  INCLUDES DESTINATION "${CMAKE_INSTALL_INCLUDEDIR}")
install(FILES "${PROJECT_SOURCE_DIR}/include/velkio.h" "${PROJECT_SOURCE_DIR}/include/velkio_sim.h"
  DESTINATION "${CMAKE_INSTALL_INCLUDEDIR}" COMPONENT development)

# The tool may be defined anywhere in the tree, after this file too: its
# install rule, and the packages that must see it, are made once the top
# directory has been read.
function(velkio_install_tool)
  if(TARGET velkio-tool)
    install(TARGETS velkio-tool RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}" COMPONENT tools)
  endif()
endfunction()
cmake_language(DEFER DIRECTORY "${PROJECT_SOURCE_DIR}" CALL velkio_install_tool)
cmake_language(DEFER DIRECTORY "${PROJECT_SOURCE_DIR}"
  CALL include "${PROJECT_SOURCE_DIR}/cmake/velkio-cpack.cmake")

# CMake package.
install(EXPORT velkio-targets NAMESPACE velkio:: FILE velkio-targets.cmake
  DESTINATION "${VELKIO_CMAKE_INSTALL_DIR}" COMPONENT development)
configure_package_config_file("${CMAKE_CURRENT_LIST_DIR}/velkio-config.cmake.in"
  "${PROJECT_BINARY_DIR}/velkio-config.cmake"
  INSTALL_DESTINATION "${VELKIO_CMAKE_INSTALL_DIR}")
# A different major version, or a library built for the other word size
# (32- or 64-bit), does not satisfy find_package.
write_basic_package_version_file("${PROJECT_BINARY_DIR}/velkio-config-version.cmake"
  VERSION "${PROJECT_VERSION}" COMPATIBILITY SameMajorVersion)
install(FILES "${PROJECT_BINARY_DIR}/velkio-config.cmake" "${PROJECT_BINARY_DIR}/velkio-config-version.cmake"
  DESTINATION "${VELKIO_CMAKE_INSTALL_DIR}" COMPONENT development)

# pkg-config files. The prefix is found from the .pc file's own directory
# (${pcfiledir}), unless the install directories were given as absolute paths.
function(velkio_pkgconfig_path out_var dir)
  if(IS_ABSOLUTE "${dir}")
    set(${out_var} "${dir}" PARENT_SCOPE)
  else()
    set(${out_var} "\${prefix}/${dir}" PARENT_SCOPE)
  endif()
endfunction()

if(IS_ABSOLUTE "${VELKIO_PKGCONFIG_INSTALL_DIR}")
  set(VELKIO_PC_PREFIX "${CMAKE_INSTALL_PREFIX}")
else()
  # One ".." for each directory between the prefix and the .pc file.
  set(VELKIO_PC_PREFIX "\${pcfiledir}")
  string(REPLACE "/" ";" pc_dir_parts "${VELKIO_PKGCONFIG_INSTALL_DIR}")
  foreach(part IN LISTS pc_dir_parts)
    if(NOT part STREQUAL "" AND NOT part STREQUAL ".")
      string(APPEND VELKIO_PC_PREFIX "/..")
    endif()
  endforeach()
endif()
velkio_pkgconfig_path(VELKIO_PC_LIBDIR "${CMAKE_INSTALL_LIBDIR}")
velkio_pkgconfig_path(VELKIO_PC_INCLUDEDIR "${CMAKE_INSTALL_INCLUDEDIR}")

set(VELKIO_PC_NAME velkio)
set(VELKIO_PC_LIBRARY velkio)
set(VELKIO_PC_DESCRIPTION "${PROJECT_DESCRIPTION} (I/O ports; needs root or CAP_SYS_RAWIO)")
configure_file("${CMAKE_CURRENT_LIST_DIR}/velkio.pc.in" "${PROJECT_BINARY_DIR}/velkio.pc" @ONLY)
set(VELKIO_PC_NAME velkio-sim)
set(VELKIO_PC_LIBRARY velkio-sim)
set(VELKIO_PC_DESCRIPTION "${PROJECT_DESCRIPTION} (simulated board and its test bench)")
configure_file("${CMAKE_CURRENT_LIST_DIR}/velkio.pc.in" "${PROJECT_BINARY_DIR}/velkio-sim.pc" @ONLY)
install(FILES "${PROJECT_BINARY_DIR}/velkio.pc" "${PROJECT_BINARY_DIR}/velkio-sim.pc"
  DESTINATION "${VELKIO_PKGCONFIG_INSTALL_DIR}" COMPONENT development)

# Debian's interpreter looks for packages of the system in lib/python3/dist-packages.
set(VELKIO_PYTHON_INSTALL_DIR "lib/python3/dist-packages" CACHE STRING
    "Where the Python package goes, relative to the prefix (or absolute)")
add_subdirectory(bindings/python)

if(VELKIO_BUILD_TESTS)
  # The examples as this tree builds them, on the simulated board.
  add_test(NAME examples
    COMMAND sh "${PROJECT_SOURCE_DIR}/examples/check.sh" "${PROJECT_BINARY_DIR}/examples")
endif()
if(VELKIO_BUILD_TESTS AND NOT VELKIO_SANITIZE)
  # Programs built outside the project cannot load a sanitized library, so the
  # installation is tested in the plain build only.
  include("${CMAKE_CURRENT_LIST_DIR}/velkio-install-tests.cmake")
endif()
