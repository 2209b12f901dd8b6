# Native build: the driver against the simulated platform, unit tests, and a
# shared library plus host program for running scripts on Linux.
find_package(JPEG REQUIRED)
find_package(ZLIB REQUIRED) # the PNG recordings' deflate and CRCs
find_package(PNG REQUIRED)  # the tests' PNG decoder
find_package(GTest REQUIRED)
include(GoogleTest)

file(GLOB TAVLORA_SIM_SOURCES CONFIGURE_DEPENDS platform/sim/*.cpp)
add_library(tavlora_sim STATIC ${TAVLORA_SIM_SOURCES})
target_include_directories(tavlora_sim PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(tavlora_sim PUBLIC JPEG::JPEG ${CMAKE_DL_LIBS})

add_library(tavlora_driver OBJECT ${TAVLORA_DRIVER_SOURCES})
target_include_directories(tavlora_driver PUBLIC ${PROJECT_SOURCE_DIR})
target_compile_options(tavlora_driver PRIVATE -fno-exceptions)

add_library(tavlora_core STATIC $<TARGET_OBJECTS:tavlora_driver>)
target_include_directories(tavlora_core PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(tavlora_core PUBLIC tavlora_sim ZLIB::ZLIB)

# "Tavlora.dll" here is an ELF shared object: the host loads it by the same name.
add_library(Tavlora MODULE $<TARGET_OBJECTS:tavlora_driver>)
set_target_properties(Tavlora PROPERTIES PREFIX "" SUFFIX ".dll")
target_link_libraries(Tavlora PRIVATE tavlora_sim ZLIB::ZLIB)

add_executable(tavlora-host host/host.cpp host/script.cpp host/check.cpp)
target_include_directories(tavlora-host PRIVATE ${PROJECT_SOURCE_DIR})
target_link_libraries(tavlora-host PRIVATE tavlora_core)
add_dependencies(tavlora-host Tavlora)

file(GLOB TAVLORA_UNIT_TESTS CONFIGURE_DEPENDS tests/unit/*.cpp)
add_executable(unit-tests ${TAVLORA_UNIT_TESTS} host/script.cpp host/check.cpp)
target_include_directories(unit-tests PRIVATE ${PROJECT_SOURCE_DIR})
target_link_libraries(unit-tests PRIVATE tavlora_core PNG::PNG GTest::gtest GTest::gtest_main)
target_compile_definitions(unit-tests PRIVATE TAVLORA_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
# Every test runs in a process of its own: the driver's state is static and
# starts at its load values, as it does in a host.
gtest_discover_tests(unit-tests DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 60)
