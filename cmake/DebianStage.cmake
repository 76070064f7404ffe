# Run by CPack on the staged files, before they are packed: what Debian asks
# of a package beyond `cmake --install` - manual pages gzipped, and the
# Debian changelog beside the copyright file, gzipped without a name or a
# time stamp inside (gzip -n), so that the same sources give the same file.

find_program(GZIP gzip REQUIRED)
set(stage "${CPACK_TEMPORARY_INSTALL_DIRECTORY}")
if(NOT IS_DIRECTORY "${stage}/usr")
  message(FATAL_ERROR "no staged /usr in '${stage}'")
endif()

file(GLOB_RECURSE pages "${stage}/usr/${CPACK_PLOMIX_MAN_DIR}/*.[1-9]")
foreach(page IN LISTS pages)
  execute_process(COMMAND ${GZIP} -n -9 -f "${page}" COMMAND_ERROR_IS_FATAL ANY)
endforeach()

set(doc "${stage}/usr/${CPACK_PLOMIX_DOC_DIR}")
file(MAKE_DIRECTORY "${doc}")
execute_process(COMMAND ${GZIP} -n -9 -c "${CPACK_PLOMIX_DEB_CHANGELOG}"
  OUTPUT_FILE "${doc}/changelog.Debian.gz" COMMAND_ERROR_IS_FATAL ANY)
file(CHMOD "${doc}/changelog.Debian.gz" PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
