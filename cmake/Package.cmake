# The release package (Windows build): Tavlora-<version>-win32.zip in the
# build folder, laid out as a user's host folder: the driver, the stand-in
# host, displays/Tavlora.cfg, images/Tavlora.jpg, the user guide (README.md)
# and LICENSE. Target release-zip, part of "all". The test release-zip lists
# the archive and drives the packaged DLL from an unpacked copy under Wine.
if(WIN32)
  find_program(TAVLORA_ZIP zip REQUIRED)
  set(TAVLORA_PACKAGE ${CMAKE_BINARY_DIR}/Tavlora-${PROJECT_VERSION}-win32.zip)
  set(TAVLORA_PACKAGE_STAGE ${CMAKE_BINARY_DIR}/release-zip)
  set(TAVLORA_PACKAGE_DOCS ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE)
  add_custom_command(OUTPUT ${TAVLORA_PACKAGE}
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${TAVLORA_PACKAGE_STAGE} ${TAVLORA_PACKAGE}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${TAVLORA_PACKAGE_STAGE}/displays
            ${TAVLORA_PACKAGE_STAGE}/images
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:Tavlora> $<TARGET_FILE:tavlora-host>
            ${TAVLORA_PACKAGE_DOCS} ${TAVLORA_PACKAGE_STAGE}
    COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/displays/Tavlora.cfg
            ${TAVLORA_PACKAGE_STAGE}/displays
    COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/images/Tavlora.jpg
            ${TAVLORA_PACKAGE_STAGE}/images
    # -D: no entries for the folders themselves; -X: no Unix file attributes.
    COMMAND ${CMAKE_COMMAND} -E chdir ${TAVLORA_PACKAGE_STAGE}
            ${TAVLORA_ZIP} -q -r -D -X ${TAVLORA_PACKAGE} .
    DEPENDS Tavlora tavlora-host ${TAVLORA_PACKAGE_DOCS} ${PROJECT_SOURCE_DIR}/displays/Tavlora.cfg
            ${PROJECT_SOURCE_DIR}/images/Tavlora.jpg
    COMMENT "Packing Tavlora-${PROJECT_VERSION}-win32.zip"
    VERBATIM)
  add_custom_target(release-zip ALL DEPENDS ${TAVLORA_PACKAGE})

  # The test brings the package up to date first, so it never looks at an
  # old one.
  add_test(NAME release-zip-build
           COMMAND ${CMAKE_COMMAND} --build ${CMAKE_BINARY_DIR} --target release-zip)
  set_tests_properties(release-zip-build PROPERTIES FIXTURES_SETUP release-zip)
  add_test(NAME release-zip
           COMMAND bash ${PROJECT_SOURCE_DIR}/tests/package/check-package.sh ${TAVLORA_PACKAGE}
                   ${CMAKE_BINARY_DIR}/release-zip-test)
  set_tests_properties(release-zip PROPERTIES FIXTURES_REQUIRED release-zip TIMEOUT 300)
endif()
