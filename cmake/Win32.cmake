# Windows build, 32-bit (win32 preset) or 64-bit (win64): the real
# Tavlora.dll, the stand-in host, and the tests that run them under Wine.
set(TAVLORA_WIN32_DEFS -D_WIN32_WINNT=0x0601 -DWINVER=0x0601 -DWIN32_LEAN_AND_MEAN)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(TAVLORA_WINDOWS_BUILD win64)
  set(TAVLORA_EXPORTS driver/Tavlora64.def)
else()
  set(TAVLORA_WINDOWS_BUILD win32)
  set(TAVLORA_EXPORTS driver/Tavlora.def)
endif()

add_library(Tavlora SHARED ${TAVLORA_DRIVER_SOURCES} ${TAVLORA_EXPORTS} driver/Tavlora.rc)
set_target_properties(Tavlora PROPERTIES PREFIX "" OUTPUT_NAME Tavlora)
target_include_directories(Tavlora PRIVATE ${PROJECT_SOURCE_DIR})
target_compile_options(Tavlora PRIVATE ${TAVLORA_WIN32_DEFS} -fno-exceptions -fno-rtti)
target_link_options(Tavlora PRIVATE -static-libgcc -static-libstdc++ -Wl,--enable-stdcall-fixup)
# zlib (libz-mingw-w64-dev) is linked in whole: the DLL imports only the
# system's DLLs.
find_library(TAVLORA_ZLIB_STATIC NAMES libz.a REQUIRED)
target_link_libraries(Tavlora PRIVATE ${TAVLORA_ZLIB_STATIC} user32 gdi32 ole32 oleaut32 shell32 uuid ws2_32)

add_executable(tavlora-host host/host.cpp host/script.cpp)
target_sources(tavlora-host PRIVATE host/check.cpp config/config.cpp config/module.cpp config/limits.cpp config/place.cpp screen/scale.cpp log/log.cpp) # --check reads as the driver does
target_include_directories(tavlora-host PRIVATE ${PROJECT_SOURCE_DIR})
target_compile_options(tavlora-host PRIVATE ${TAVLORA_WIN32_DEFS})
target_link_options(tavlora-host PRIVATE -static-libgcc -static-libstdc++ -static)
add_dependencies(tavlora-host Tavlora)

# GoogleTest from Debian's source package, built with the cross compiler.
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
# MinGW's win32 thread model has no std::mutex: GoogleTest gets the one
# class that needs it from a header of ours.
foreach(target gtest gtest_main)
  target_compile_definitions(${target} PUBLIC GTEST_HAS_NOTIFICATION_=1)
  target_compile_options(${target} PUBLIC -include ${PROJECT_SOURCE_DIR}/cmake/gtest-notification.h)
  target_compile_options(${target} PRIVATE -Wno-error)
endforeach()

file(GLOB TAVLORA_WINE_TESTS CONFIGURE_DEPENDS tests/wine/*_test.cpp tests/wine/wine_support.cpp)
add_executable(wine-tests ${TAVLORA_WINE_TESTS})
target_include_directories(wine-tests PRIVATE ${PROJECT_SOURCE_DIR})
target_compile_options(wine-tests PRIVATE ${TAVLORA_WIN32_DEFS})
# Wine's drive Z: is the Linux root.
target_compile_definitions(wine-tests PRIVATE TAVLORA_SOURCE_DIR="Z:${PROJECT_SOURCE_DIR}")
target_link_options(wine-tests PRIVATE -static-libgcc -static-libstdc++ -static)
target_link_libraries(wine-tests PRIVATE gtest gtest_main ${TAVLORA_ZLIB_STATIC} version gdi32 user32 advapi32 ws2_32 psapi)
add_dependencies(wine-tests Tavlora tavlora-host com-host)
# A host that sets up COM before it loads the driver (tests/wine/record_test.cpp).
add_executable(com-host tests/wine/com_host.cpp)
target_compile_options(com-host PRIVATE ${TAVLORA_WIN32_DEFS})
target_link_options(com-host PRIVATE -static-libgcc -static-libstdc++ -static)
target_link_libraries(com-host PRIVATE ole32)
# The Wine tests run the host and the DLL from the build folder, where
# they share one prefix and one virtual X server (tools/wine-run).
add_test(NAME wine-tests COMMAND wine-tests --gtest_color=no)
# Exit status 77 (from tools/wine-run): this machine cannot run programs of
# this bitness, and CTest says the test was skipped.
set_tests_properties(wine-tests PROPERTIES TIMEOUT 900 WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
                     SKIP_RETURN_CODE 77)

# ---- Soak (tests/soak): the real DLL through many refreshes in one process,
# counting the GDI objects it makes and frees. A short run is a test here;
# tools/soak runs the full one.
add_executable(soak tests/soak/soak.cpp)
target_include_directories(soak PRIVATE ${PROJECT_SOURCE_DIR})
target_compile_options(soak PRIVATE ${TAVLORA_WIN32_DEFS})
target_compile_definitions(soak PRIVATE TAVLORA_SOURCE_DIR="Z:${PROJECT_SOURCE_DIR}")
target_link_options(soak PRIVATE -static-libgcc -static-libstdc++ -static)
target_link_libraries(soak PRIVATE psapi user32)
add_dependencies(soak Tavlora)
add_test(NAME soak-short COMMAND soak --refreshes 5000 --folder soak-short)
set_tests_properties(soak-short PROPERTIES TIMEOUT 600 WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
                     SKIP_RETURN_CODE 77)
# More loads than the C runtime the host shares has files: a driver that
# kept its log open would run out of them.
add_test(NAME soak-reload COMMAND soak --reloads 600 --folder soak-reload)
set_tests_properties(soak-reload PROPERTIES TIMEOUT 900 WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
                     SKIP_RETURN_CODE 77)

# ---- The web view's real clients on the Linux side, over loopback: curl,
# an event stream and headless Chromium against the stand-in host
# (tests/wine/web-clients).
string(REPLACE "win" "" TAVLORA_WINDOWS_BITS ${TAVLORA_WINDOWS_BUILD})
add_test(NAME web-clients
         COMMAND bash ${PROJECT_SOURCE_DIR}/tests/wine/web-clients ${CMAKE_BINARY_DIR}
                 ${TAVLORA_WINDOWS_BITS})
set_tests_properties(web-clients PROPERTIES TIMEOUT 900 SKIP_RETURN_CODE 77)
