# Cross build of the 32-bit Windows driver.
set(TAVLORA_MINGW_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
