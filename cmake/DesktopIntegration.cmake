# What a desktop needs besides the binary: the menu entry, the icon in the hicolor theme,
# the file types of projects and workspaces, and the AppStream description that software
# centres show. One id names all of them, so the desktop can tie them together.
include(${CMAKE_CURRENT_LIST_DIR}/DesktopIds.cmake)

set(desktop_sources ${PROJECT_SOURCE_DIR}/resources/desktop)
set(icon_sources ${PROJECT_SOURCE_DIR}/resources/icons)
set(hicolor ${CMAKE_INSTALL_DATADIR}/icons/hicolor)

install(FILES ${desktop_sources}/${HORAVEL_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${desktop_sources}/${HORAVEL_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${desktop_sources}/${HORAVEL_APP_ID}.mime.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME ${HORAVEL_APP_ID}.xml)
install(FILES ${icon_sources}/horavel.svg
        DESTINATION ${hicolor}/scalable/apps RENAME ${HORAVEL_APP_ID}.svg)
foreach(size IN LISTS HORAVEL_ICON_SIZES)
  install(FILES ${icon_sources}/horavel-${size}.png
          DESTINATION ${hicolor}/${size}x${size}/apps RENAME ${HORAVEL_APP_ID}.png)
endforeach()

# The user guide that "Web Page" opens: installed in share/horavel, and copied to the same
# place in the build tree, so that a program run from its build folder finds it as well.
set(guide ${PROJECT_SOURCE_DIR}/resources/guide/user-guide.html)
install(FILES ${guide} DESTINATION ${CMAKE_INSTALL_DATADIR}/horavel)
configure_file(${guide} ${CMAKE_BINARY_DIR}/share/horavel/user-guide.html COPYONLY)

# A plain `cmake --install` (say into /usr/local or ~/.local) refreshes the caches that make
# the new file types and the menu entry known at once. A package must leave that to the
# package manager's triggers, else it would carry caches of its staging folder: packages
# stage under DESTDIR (make, dh) or, for CPack, inside the build tree.
string(CONFIGURE [[
  string(FIND "${CMAKE_INSTALL_PREFIX}/" "@PROJECT_BINARY_DIR@/" in_build_tree)
  if("$ENV{DESTDIR}" STREQUAL "" AND NOT in_build_tree EQUAL 0)
    set(share "${CMAKE_INSTALL_PREFIX}/@CMAKE_INSTALL_DATADIR@")
    find_program(update_mime update-mime-database)
    find_program(update_desktop update-desktop-database)
    find_program(update_icons gtk-update-icon-cache)
    if(update_mime)
      execute_process(COMMAND ${update_mime} "${share}/mime")
    endif()
    if(update_desktop)
      execute_process(COMMAND ${update_desktop} -q "${share}/applications")
    endif()
    if(update_icons AND EXISTS "${share}/icons/hicolor/index.theme")
      execute_process(COMMAND ${update_icons} -q -t "${share}/icons/hicolor")
    endif()
  endif()
]] refresh_caches @ONLY)
install(CODE "${refresh_caches}")
