# Run by CPack once it has made the Debian package. CPack writes the
# members' times as the build's clock and their modes as the umask left
# them; the package is made again by dpkg-deb from its own contents, with
# modes 755 and 644, the time of the source (SOURCE_DATE_EPOCH) when it is
# given, members in sorted order and owned by root: the same sources give
# the same bytes.
foreach(deb IN LISTS CPACK_PACKAGE_FILES)
  set(tree "${deb}.tree")
  file(REMOVE_RECURSE "${tree}")
  execute_process(COMMAND dpkg-deb --raw-extract "${deb}" "${tree}" COMMAND_ERROR_IS_FATAL ANY)
  execute_process(
    COMMAND sh -c [[
      find "$1" -type d -exec chmod 0755 {} +
      find "$1" -type f -perm /111 -exec chmod 0755 {} +
      find "$1" -type f ! -perm /111 -exec chmod 0644 {} +
      if [ -n "${SOURCE_DATE_EPOCH:-}" ]; then find "$1" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +; fi
    ]] sh "${tree}"
    COMMAND_ERROR_IS_FATAL ANY)
  execute_process(COMMAND dpkg-deb --root-owner-group --build "${tree}" "${deb}" OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
  file(REMOVE_RECURSE "${tree}")
endforeach()
