# The Debian package, built by `cpack -G DEB` in a release build (see scripts/package).
set(HORAVEL_PACKAGE_MAINTAINER "Horavel maintainers <maintainers@horavel.invalid>"
    CACHE STRING "Maintainer field of the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME horavel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${HORAVEL_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "time tracker for projects and their tasks")
set(CPACK_PACKAGE_DESCRIPTION
    "Horavel keeps several projects open in one tree, with tasks nested to any depth. \
Pick a task and start the timer: every second is booked on that task and added to the \
totals of everything above it. Projects are XML files, a workspace file reopens the whole \
working set, and a tray icon keeps the timer at hand.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries the binary links come from dpkg-shlibdeps. Qt loads its platform plug-in at
# run time, which no linker sees: without qt6-qpa-plugins the program cannot open a window
# on X11, and without qt6-wayland not on a Wayland session (it would fall back to XWayland,
# where idle time counts only input to X clients).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The Wayland idle watch asks Qt's platform native interface, whose layout Qt only keeps
# within one version: the package asks for the Qt it was built against.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "qt6-qpa-plugins, qt6-wayland, qt6-base-abi (= ${Qt6Gui_VERSION})")
# The program runs without these. The first three turn the installed files into a menu
# entry with an icon and a known file type; Qt loads libXcursor when it is there, for the
# desktop's themed mouse pointers on X11.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "shared-mime-info, desktop-file-utils, hicolor-icon-theme, libxcursor1")

include(CPack)
