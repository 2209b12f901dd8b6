# Cross build of the 64-bit Windows driver.
set(TAVLORA_MINGW_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
