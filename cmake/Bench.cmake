# Benchmarks: the driver's unchanged write, repaint and capture, each
# against its floor (the platform calls it cannot do without; see
# bench/common.h). Not tests: nothing here fails on timing. tools/bench
# builds and runs both.

# Native build: Google Benchmark on the simulated platform, without
# sanitizers. Run build/native/benchmarks.
if(NOT WIN32 AND NOT TAVLORA_SANITIZE AND NOT TAVLORA_FUZZ)
  find_package(benchmark QUIET)
  if(benchmark_FOUND)
    add_executable(benchmarks bench/sim_bench.cpp bench/common.cpp)
    target_include_directories(benchmarks PRIVATE ${PROJECT_SOURCE_DIR})
    target_compile_definitions(benchmarks PRIVATE TAVLORA_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
    target_link_libraries(benchmarks PRIVATE tavlora_core benchmark::benchmark)
  else()
    message(STATUS "Google Benchmark not found (libbenchmark-dev): no target benchmarks")
  endif()
  # The PNG recordings' settings, measured (tools/bench png).
  add_executable(png-choice bench/png_choice.cpp)
  target_link_libraries(png-choice PRIVATE PNG::PNG ZLIB::ZLIB)
endif()

# ---------------------------------------------------------------------------
# Windows build: win32-bench.exe loads Tavlora.dll as a host does and times
# the same four pairs with QueryPerformanceCounter, the floors on the real
# GDI. Run under Wine from the build folder (tools/bench does).
if(WIN32)
  add_executable(win32-bench bench/win32_bench.cpp bench/common.cpp)
  target_include_directories(win32-bench PRIVATE ${PROJECT_SOURCE_DIR})
  target_compile_options(win32-bench PRIVATE ${TAVLORA_WIN32_DEFS})
  # Wine's drive Z: is the Linux root.
  target_compile_definitions(win32-bench PRIVATE TAVLORA_SOURCE_DIR="Z:${PROJECT_SOURCE_DIR}")
  target_link_options(win32-bench PRIVATE -static-libgcc -static-libstdc++ -static)
  # GDI+ only here, for the floor that PNG recordings are set against.
  target_link_libraries(win32-bench PRIVATE ${TAVLORA_ZLIB_STATIC} user32 gdi32 gdiplus ole32 oleaut32
                        uuid ws2_32)
  add_dependencies(win32-bench Tavlora)
endif()
