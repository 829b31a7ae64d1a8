# Install layout and the Debian package.
#
#   bin/                                readerlink, readerlink-host, readerlink-sendkeys,
#                                       readerlink-chip, readerlink-vicc
#   share/readerlink/specimens/         the specimen library (*.json, images/)
#   share/applications/                 readerlink.desktop
#   share/icons/hicolor/scalable/apps/  readerlink.svg
#   share/man/man1/                     readerlink.1, readerlink-host.1
#
# The program finds its specimens beside itself, else in
# <exe>/../share/readerlink/specimens, so this layout works under any prefix.

include(GNUInstallDirs)

install(TARGETS readerlink readerlink-host readerlink-sendkeys readerlink-chip
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# Serves a specimen's chip to pcscd, for trying a station's chip reading, or
# another eMRTD reader, without a passport.
if(TARGET readerlink-vicc)
    install(TARGETS readerlink-vicc RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

install(DIRECTORY ${PROJECT_SOURCE_DIR}/specimens/
    DESTINATION ${CMAKE_INSTALL_DATADIR}/readerlink/specimens
    FILES_MATCHING
        PATTERN "*.json"
        PATTERN "*.jpg"
        PATTERN "*.png"
        PATTERN "*.jp2"
        # Signed chip files and the test CSCA to check them against; the test
        # PKI's keys stay in the source tree.
        PATTERN "*.sod"
        PATTERN "*.pem"
        PATTERN "pki" EXCLUDE
        # A glass left over from running the program out of the source tree.
        PATTERN "glass" EXCLUDE)

install(FILES ${PROJECT_SOURCE_DIR}/packaging/readerlink.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/readerlink.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES
        ${PROJECT_SOURCE_DIR}/packaging/readerlink.1
        ${PROJECT_SOURCE_DIR}/packaging/readerlink-host.1
    DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# --- Debian package (cpack -G DEB in the build folder) ---
set(READERLINK_PACKAGE_MAINTAINER "Orlam readerlink team <readerlink@orlam.example>"
    CACHE STRING "Maintainer field of the Debian package")

set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "readerlink")
set(CPACK_PACKAGE_VENDOR "Orlam")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Passport reading station link: reader, MRZ, archive and delivery")
set(CPACK_PACKAGE_DESCRIPTION
    "Drives a desk passport reader, reads the chip with Basic Access Control, \
recognises the MRZ, archives the page images as JPEG and hands the MRZ to the \
target application, typed into the focused window or sent to a host \
application. Serial MRZ readers feed the same delivery. Ships a virtual reader \
with its specimen library, the reference host application readerlink-host, \
the key-string tool readerlink-sendkeys, readerlink-chip to list PC/SC readers \
and read a passport chip with Passive Authentication, and readerlink-vicc to \
serve a specimen's chip to pcscd.")
set(CPACK_PACKAGE_INSTALL_DIRECTORY "readerlink")
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${READERLINK_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION "utils")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
# Run-time libraries come from dpkg-shlibdeps over the installed programs.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Contactless readers need the PC/SC service; vpcd only for readerlink-vicc.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "pcscd")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "libccid, vsmartcard-vpcd")
# Debian 12 ships Qt's X11 and offscreen platform plugins inside libqt6gui6,
# which the programs link, so the plugins come with the computed depends.
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)

include(CPack)
