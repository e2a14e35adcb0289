# The newest entries of the release history: the changelog's first entry
# and the AppStream metadata's first release, which scripts/new-version.sh
# writes together with the project's version.
#
# include(): rechner_release_history(SOURCE_DIR) sets RECHNER_CHANGELOG_VERSION,
# RECHNER_APPSTREAM_VERSION and RECHNER_RELEASE_DATE (the AppStream date,
# YYYY-MM-DD).
# cmake -DSOURCE=DIR -DVERSION=X.Y.Z -P release-history.cmake: fails, naming
# the entry, when either disagrees with VERSION.
function(rechner_release_history source)
  file(STRINGS ${source}/data/changelog first LIMIT_COUNT 1)
  string(REGEX REPLACE "^rechner \\(([^)]*)\\).*" "\\1" changelog "${first}")
  file(STRINGS ${source}/data/org.rechner.Rechner.metainfo.xml.in releases REGEX "<release ")
  list(GET releases 0 newest)
  string(REGEX MATCH "version=\"([^\"]*)\" date=\"([^\"]*)\"" matched "${newest}")
  set(RECHNER_CHANGELOG_VERSION "${changelog}" PARENT_SCOPE)
  set(RECHNER_APPSTREAM_VERSION "${CMAKE_MATCH_1}" PARENT_SCOPE)
  set(RECHNER_RELEASE_DATE "${CMAKE_MATCH_2}" PARENT_SCOPE)
endfunction()

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
  rechner_release_history(${SOURCE})
  set(wrong)
  if(NOT RECHNER_CHANGELOG_VERSION STREQUAL VERSION)
    list(APPEND wrong "data/changelog's newest entry is ${RECHNER_CHANGELOG_VERSION}")
  endif()
  if(NOT RECHNER_APPSTREAM_VERSION STREQUAL VERSION)
    list(APPEND wrong "the AppStream metadata's newest release is '${RECHNER_APPSTREAM_VERSION}'")
  endif()
  if(NOT RECHNER_RELEASE_DATE MATCHES "^[0-9][0-9][0-9][0-9]-[01][0-9]-[0-3][0-9]$")
    list(APPEND wrong "the AppStream metadata's newest release has no date YYYY-MM-DD ('${RECHNER_RELEASE_DATE}')")
  endif()
  if(wrong)
    list(JOIN wrong "; " wrong)
    message(FATAL_ERROR "The project's version is ${VERSION}, but ${wrong}. "
                        "scripts/new-version.sh writes them together.")
  endif()
  message(STATUS "changelog and AppStream metadata both name ${VERSION}")
endif()
