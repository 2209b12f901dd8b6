# The release package (Windows builds), made by CPack's ZIP generator:
#   cmake --build build/win32 --target package   ->  Tavlora-<version>-win32.zip
#   cmake --build build/win64 --target package   ->  Tavlora-<version>-win64.zip
# Each is laid out as a user's host folder: the driver, the stand-in host,
# displays/Tavlora.cfg, images/Tavlora.jpg, the user guide (README.md) and
# LICENSE. The test "package" unpacks it and drives the packaged DLL under
# Wine.
if(WIN32)
  # The import library is no part of a host folder: it goes to a component
  # that is not packed.
  install(TARGETS Tavlora tavlora-host RUNTIME DESTINATION . COMPONENT driver
          ARCHIVE DESTINATION lib COMPONENT development)
  install(FILES displays/Tavlora.cfg DESTINATION displays COMPONENT driver)
  install(FILES images/Tavlora.jpg DESTINATION images COMPONENT driver)
  install(FILES README.md LICENSE DESTINATION . COMPONENT driver)

  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_NAME Tavlora)
  set(CPACK_PACKAGE_VENDOR "Tavlora Display")
  set(CPACK_PACKAGE_FILE_NAME Tavlora-${PROJECT_VERSION}-${TAVLORA_WINDOWS_BUILD})
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
  set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
  set(CPACK_COMPONENTS_ALL driver)
  set(CPACK_COMPONENTS_ALL_IN_ONE_PACKAGE ON)
  set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
  set(TAVLORA_PACKAGE ${CMAKE_BINARY_DIR}/${CPACK_PACKAGE_FILE_NAME}.zip)
  include(CPack)

  # The test makes the package first, so it never looks at an old one.
  add_test(NAME package-build COMMAND ${CMAKE_COMMAND} --build ${CMAKE_BINARY_DIR} --target package)
  set_tests_properties(package-build PROPERTIES FIXTURES_SETUP package)
  add_test(NAME package
           COMMAND bash ${PROJECT_SOURCE_DIR}/tests/package/check-package.sh ${TAVLORA_PACKAGE}
                   ${CMAKE_BINARY_DIR}/package-test)
  set_tests_properties(package PROPERTIES FIXTURES_REQUIRED package TIMEOUT 300 SKIP_RETURN_CODE 77)
endif()
