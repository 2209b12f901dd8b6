# libFuzzer targets on the simulated platform (preset "fuzz", clang only):
#   fuzz-config  the configuration reader, and the settings it reads drawn
#   fuzz-calls   sequences of entry-point calls, with the window recording
#   fuzz-picture the picture header reader, on any bytes
#   fuzz-request the web view's request reader and answers, on any bytes
# All run with the address and undefined-behaviour sanitizers (the preset
# sets TAVLORA_SANITIZE). tools/fuzz builds and runs them for a bounded time.
option(TAVLORA_FUZZ "Build the libFuzzer targets (native build, clang)" OFF)

if(TAVLORA_FUZZ)
  if(WIN32 OR NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "TAVLORA_FUZZ needs the native build with clang: cmake --preset fuzz")
  endif()
  # Coverage feedback comes from the driver's own code only: the simulation
  # and the targets' own code have the sanitizers but no coverage, so new
  # paths are looked for in the driver, and the coverage figures are its.
  target_compile_options(tavlora_driver PRIVATE -fsanitize=fuzzer-no-link)

  foreach(name config calls picture request)
    add_executable(fuzz-${name} tests/fuzz/fuzz_${name}.cpp tests/fuzz/fuzz_support.cpp)
    target_include_directories(fuzz-${name} PRIVATE ${PROJECT_SOURCE_DIR})
    target_compile_definitions(fuzz-${name} PRIVATE TAVLORA_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
    target_link_options(fuzz-${name} PRIVATE -fsanitize=fuzzer)
    target_link_libraries(fuzz-${name} PRIVATE tavlora_core)
  endforeach()
endif()
