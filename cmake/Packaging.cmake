# Packages from the install step, one command per preset: `cmake --build --preset P --target
# package`. Windows: a zip a musician unpacks into the host's VST folder (one per word size).
# Linux: a .deb that puts the plug-ins, the skins and the helper programs into /usr/lib/vst,
# where hosts and Debian's own VST packages look, with the system libraries they link found by
# dpkg-shlibdeps; and a .tar.gz of the same folder for other distributions.
set(CPACK_PACKAGE_NAME vexlo)
set(CPACK_PACKAGE_VENDOR Vexloworks)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "VST plug-ins: an instrument host, an arpeggiator and a key switch")
set(CPACK_PACKAGE_DESCRIPTION "Vexlo VM hosts a VST instrument and up to four VST MIDI effects in
front of it, with oversampling, presets, banks and links, a plug-in scan
and a skinned editor; each hosted plug-in may run in a process of its own.
Vexlo ARP MIDI is an arpeggiator with a 32-step pattern grid; Vexlo
Key-Switch MIDI opens and closes each instance's gate from the lower keys.")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_CHECKSUM SHA256)

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME "vexlo-${PROJECT_VERSION}-${VEXLO_WINE_ARCH}")
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
else()
  set(CPACK_GENERATOR "DEB;TGZ")
  set(CPACK_PACKAGE_FILE_NAME "vexlo-${PROJECT_VERSION}-linux-x86_64")
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr/lib/vst)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Vexloworks <packages@vexloworks.org>")
  set(CPACK_DEBIAN_PACKAGE_SECTION sound)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
  set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://vexloworks.org/")
endif()
# What goes into a package and not into a VST folder installed by hand: the read-me of the zips,
# and the copyright and changelog Debian wants of every package.
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/package_extras.cmake)
# Settings of one generator: the .tar.gz holds the VST folder itself, not /usr/lib/vst.
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/cmake/package_per_generator.cmake)
set(VEXLO_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
set(CPACK_VEXLO_PACKAGING_DIR ${VEXLO_PACKAGING_DIR})
set(CPACK_VEXLO_SOURCE_DIR ${PROJECT_SOURCE_DIR})
include(CPack)
