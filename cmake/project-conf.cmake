# Sets a variable for every NAME="VALUE" line of project.conf, the
# project's identity, and configures again when that file changes.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/../project.conf)
file(STRINGS ${CMAKE_CURRENT_LIST_DIR}/../project.conf rechner_settings REGEX "^[A-Z_]+=")
foreach(setting IN LISTS rechner_settings)
  if(NOT setting MATCHES "^([A-Z_]+)=\"([^\"$\\\\]*)\"$")
    message(FATAL_ERROR "project.conf: not a line NAME=\"VALUE\": ${setting}")
  endif()
  set(${CMAKE_MATCH_1} "${CMAKE_MATCH_2}")
endforeach()
