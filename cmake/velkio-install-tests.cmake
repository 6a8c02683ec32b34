# Tests of the installation, as a user meets it: the examples built against
# it through CMake and through pkg-config, and the Python package, all on the
# simulated board. Once against `cmake --install` into a staging prefix, once
# against the Debian packages unpacked with dpkg-deb.
set(velkio_install_test_dir "${PROJECT_BINARY_DIR}/install-test")
set(velkio_stage "${velkio_install_test_dir}/stage")
set(velkio_deb_dir "${velkio_install_test_dir}/deb")

add_test(NAME install.stage
  COMMAND sh -c "rm -rf \"$1\" && \"$2\" --install \"$3\" --prefix \"$1\""
          sh "${velkio_stage}" "${CMAKE_COMMAND}" "${PROJECT_BINARY_DIR}")
set_tests_properties(install.stage PROPERTIES FIXTURES_SETUP velkio_stage)

find_program(VELKIO_DPKG_DEB dpkg-deb)
if(VELKIO_DPKG_DEB)
  add_test(NAME install.deb
    COMMAND sh "${CMAKE_CURRENT_LIST_DIR}/check-deb.sh" "${PROJECT_BINARY_DIR}" "${velkio_deb_dir}"
            "${PROJECT_VERSION}" "$<TARGET_EXISTS:velkio-tool>")
  set_tests_properties(install.deb PROPERTIES FIXTURES_SETUP velkio_deb)
else()
  message(STATUS "No dpkg-deb: the Debian packages are not tested")
endif()

# velkio_installation_tests(<kind> <fixture> <prefix>)
function(velkio_installation_tests kind fixture prefix)
  set(work "${velkio_install_test_dir}/${kind}-examples")
  add_test(NAME install.${kind}.cmake_examples
    COMMAND sh "${PROJECT_SOURCE_DIR}/examples/check-installed.sh" cmake "${prefix}" "${work}/cmake")
  add_test(NAME install.${kind}.pkg_config_example
    COMMAND sh "${PROJECT_SOURCE_DIR}/examples/check-installed.sh" pkg-config "${prefix}"
            "${work}/pkg-config")
  set(tests install.${kind}.cmake_examples install.${kind}.pkg_config_example)
  if(VELKIO_PYTHON_TESTS)
    # The installed package, finding the installed library by its SONAME.
    if(IS_ABSOLUTE "${VELKIO_PYTHON_INSTALL_DIR}")
      set(python_dir "${prefix}${VELKIO_PYTHON_INSTALL_DIR}")
    else()
      set(python_dir "${prefix}/${VELKIO_PYTHON_INSTALL_DIR}")
    endif()
    add_test(NAME install.${kind}.python
      COMMAND "${VELKIO_PYTHON}" -m pytest -p no:cacheprovider -q "${PROJECT_SOURCE_DIR}/bindings/python/tests")
    set_tests_properties(install.${kind}.python PROPERTIES ENVIRONMENT_MODIFICATION
      "PYTHONPATH=set:${python_dir};PYTHONDONTWRITEBYTECODE=set:1;LD_LIBRARY_PATH=set:${prefix}/${CMAKE_INSTALL_LIBDIR};VELKIO_SIM_LIBRARY=unset:;VELKIO_LIBRARY=unset:;VELKIO_TEST_LIBRARY_DIR=set:${prefix}/${CMAKE_INSTALL_LIBDIR}")
    list(APPEND tests install.${kind}.python)
  endif()
  set_tests_properties(${tests} PROPERTIES FIXTURES_REQUIRED ${fixture})
endfunction()

velkio_installation_tests(stage velkio_stage "${velkio_stage}")
if(VELKIO_DPKG_DEB)
  velkio_installation_tests(deb velkio_deb "${velkio_deb_dir}/root/usr")
endif()

# The README's examples, as written there, against the staged installation.
if(VELKIO_PYTHON_TESTS)
  add_test(NAME install.stage.readme_examples
    COMMAND sh "${CMAKE_CURRENT_LIST_DIR}/check-readme.sh" "${PROJECT_SOURCE_DIR}/README.md"
            "${velkio_stage}" "${velkio_install_test_dir}/readme" "${VELKIO_PYTHON}")
  set_tests_properties(install.stage.readme_examples PROPERTIES FIXTURES_REQUIRED velkio_stage)
endif()
