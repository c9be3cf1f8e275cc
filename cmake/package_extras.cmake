# Run by CPack after the install step filled its staging folder, before it packs it.
set(staging "${CPACK_TEMPORARY_INSTALL_DIRECTORY}")
if(CPACK_GENERATOR STREQUAL "ZIP")
  file(COPY_FILE "${CPACK_VEXLO_PACKAGING_DIR}/README-windows.txt" "${staging}/Vexlo read me.txt")
elseif(CPACK_GENERATOR STREQUAL "TGZ")
  file(COPY_FILE "${CPACK_VEXLO_PACKAGING_DIR}/README-linux.txt" "${staging}/Vexlo read me.txt")
elseif(CPACK_GENERATOR STREQUAL "DEB")
  set(doc "${staging}/usr/share/doc/${CPACK_PACKAGE_NAME}")
  file(MAKE_DIRECTORY "${doc}")
  file(COPY_FILE "${CPACK_VEXLO_PACKAGING_DIR}/copyright" "${doc}/copyright")
  # A native package's changelog in Debian's own format, compressed as its tools expect (no
  # time stamp inside); the project's changelog beside it.
  file(COPY_FILE "${CPACK_VEXLO_SOURCE_DIR}/CHANGELOG.md" "${doc}/CHANGELOG.md")
  file(WRITE "${doc}/changelog"
       "${CPACK_PACKAGE_NAME} (${CPACK_PACKAGE_VERSION}) unstable; urgency=medium\n\n"
       "  * Release ${CPACK_PACKAGE_VERSION}: see CHANGELOG.md beside this file.\n\n"
       " -- ${CPACK_DEBIAN_PACKAGE_MAINTAINER}  Wed, 09 Dec 2026 12:00:00 +0000\n")
  execute_process(COMMAND gzip -9 -n "${doc}/changelog" RESULT_VARIABLE zipped)
  if(NOT zipped EQUAL 0)
    message(FATAL_ERROR "gzip of the changelog failed")
  endif()
endif()
