# The system install (cmake --install) and the Debian package made from it (cpack -G DEB).
#
# The installed program looks for its files relative to its own folder, PREFIX/bin, in
# PREFIX/share (src/app/AppPaths.cpp), so these folders are fixed rather than configurable: any
# prefix and any DESTDIR work as long as bin and share stay side by side.

install(PROGRAMS $<TARGET_FILE:trakmoor> DESTINATION bin RENAME trakmoor)
# install(PROGRAMS) is not stripped by --strip or CPack on its own.
install(CODE "
    if(CMAKE_INSTALL_DO_STRIP)
        execute_process(COMMAND \"${CMAKE_STRIP}\" \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin/trakmoor\"
                        COMMAND_ERROR_IS_FATAL ANY)
    endif()")

install(DIRECTORY ${PROJECT_SOURCE_DIR}/data/images DESTINATION share/trakmoor
        FILES_MATCHING PATTERN "*.png")
install(FILES ${PROJECT_SOURCE_DIR}/data/data.osm ${PROJECT_SOURCE_DIR}/data/sample.gpx
        DESTINATION share/trakmoor)
install(FILES ${PROJECT_SOURCE_DIR}/data/trakmoor.desktop DESTINATION share/applications)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/data/icons/ DESTINATION share/icons)
# Track thumbnails in file managers: the program draws them with --export.
install(FILES ${PROJECT_SOURCE_DIR}/data/trakmoor.thumbnailer DESTINATION share/thumbnailers)
install(FILES ${PROJECT_SOURCE_DIR}/data/trakmoor-mime.xml DESTINATION share/mime/packages
        RENAME trakmoor.xml)
install(FILES ${PROJECT_SOURCE_DIR}/data/copyright DESTINATION share/doc/trakmoor)

set(CPACK_PACKAGE_NAME trakmoor)
set(CPACK_PACKAGE_VENDOR "The Trakmoor developers")
set(CPACK_PACKAGE_CONTACT "The Trakmoor developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "viewer for recorded GPS tracks over OpenStreetMap maps")
set(CPACK_PACKAGE_DESCRIPTION
    "Trakmoor opens a GPX file, lets you pick one of its tracks, routes or waypoints\n"
    "and shows it over a vector map read from an OpenStreetMap XML file, with the\n"
    "statistics of the whole track and of a section between two markers.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/package)
include(CPack)
