# The one version number is project(Zentrove VERSION ...). From it the build writes a header
# for the version resource (which the About box and the window caption read), and a small
# file that tools/package reads for the zip's and the installer's names.
set(ZT_VERSION_MAJOR ${PROJECT_VERSION_MAJOR})
set(ZT_VERSION_MINOR ${PROJECT_VERSION_MINOR})
set(ZT_VERSION_BUILD ${PROJECT_VERSION_PATCH})
set(ZT_VERSION_REVISION ${PROJECT_VERSION_TWEAK})
foreach(part ZT_VERSION_MINOR ZT_VERSION_BUILD ZT_VERSION_REVISION)
  if("${${part}}" STREQUAL "")
    set(${part} 0)
  endif()
endforeach()
set(ZT_VERSION ${PROJECT_VERSION})
set(ZT_VERSION_FOUR ${ZT_VERSION_MAJOR}.${ZT_VERSION_MINOR}.${ZT_VERSION_BUILD}.${ZT_VERSION_REVISION})

set(ZT_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
configure_file(${CMAKE_CURRENT_LIST_DIR}/Version.h.in ${ZT_GENERATED_DIR}/Version.h @ONLY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/version.env.in ${ZT_GENERATED_DIR}/version.env @ONLY)
include_directories(${ZT_GENERATED_DIR})
