# The newest entries of the release history: the AppStream metadata's first
# release and, where the packaging is there (not in Debian's orig tarball),
# Debian's changelog's first entry (VERSION-1, or a later Debian revision),
# which scripts/new-version.sh writes together with the project's version;
# and Debian's control and copyright files name the contact and homepage
# the project sets.
#
# include(): rechner_release_history(SOURCE_DIR) sets
# RECHNER_APPSTREAM_VERSION and RECHNER_RELEASE_DATE (the AppStream date,
# YYYY-MM-DD).
# cmake -DSOURCE=DIR -DVERSION=X.Y.Z -DCONTACT=... -DHOMEPAGE=... -P
# release-history.cmake: fails, naming the entry, when one disagrees with
# VERSION, or Debian's files with the contact and homepage.
function(rechner_release_history source)
  file(STRINGS ${source}/data/org.rechner.Rechner.metainfo.xml.in releases REGEX "<release ")
  list(GET releases 0 newest)
  string(REGEX MATCH "version=\"([^\"]*)\" date=\"([^\"]*)\"" matched "${newest}")
  set(RECHNER_APPSTREAM_VERSION "${CMAKE_MATCH_1}" PARENT_SCOPE)
  set(RECHNER_RELEASE_DATE "${CMAKE_MATCH_2}" PARENT_SCOPE)
endfunction()

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
  rechner_release_history(${SOURCE})
  set(wrong)
  if(NOT RECHNER_APPSTREAM_VERSION STREQUAL VERSION)
    list(APPEND wrong "the AppStream metadata's newest release is '${RECHNER_APPSTREAM_VERSION}'")
  endif()
  if(NOT RECHNER_RELEASE_DATE MATCHES "^[0-9][0-9][0-9][0-9]-[01][0-9]-[0-3][0-9]$")
    list(APPEND wrong "the AppStream metadata's newest release has no date YYYY-MM-DD ('${RECHNER_RELEASE_DATE}')")
  endif()
  if(EXISTS ${SOURCE}/debian)
    file(STRINGS ${SOURCE}/debian/changelog first LIMIT_COUNT 1)
    string(REGEX REPLACE "^rechner \\(([^)-]*)-[^)]*\\).*" "\\1" changelog "${first}")
    if(NOT changelog STREQUAL VERSION)
      list(APPEND wrong "debian/changelog's newest entry is ${changelog}")
    endif()
    foreach(expected "control|Maintainer: ${CONTACT}" "control|Homepage: ${HOMEPAGE}"
                     "copyright|Upstream-Contact: ${CONTACT}" "copyright|Source: ${HOMEPAGE}")
      string(REGEX MATCH "^([^|]*)[|]([^:]*: )(.*)" matched "${expected}")
      set(file ${CMAKE_MATCH_1})
      set(field ${CMAKE_MATCH_2})
      file(STRINGS ${SOURCE}/debian/${file} line REGEX "^${field}")
      if(NOT line STREQUAL "${field}${CMAKE_MATCH_3}")
        list(APPEND wrong "debian/${file} says '${line}', not '${field}${CMAKE_MATCH_3}'")
      endif()
    endforeach()
  endif()
  if(wrong)
    list(JOIN wrong "; " wrong)
    message(FATAL_ERROR "The project is version ${VERSION} (project.conf), but ${wrong}. "
                        "scripts/new-version.sh writes a version's entries; contact and homepage "
                        "are set in project.conf and written the same in debian/.")
  endif()
  message(STATUS "the release history names ${VERSION}")
endif()
