set(TBO_MINGW_TRIPLE i686-w64-mingw32)
set(TBO_MINGW_SUFFIX "")
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
