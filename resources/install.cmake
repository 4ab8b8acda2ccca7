# Installing the game where Linux desktops look for it, under any prefix
# (cmake --install build --prefix ~/.local):
#   bin/zandor                                      the executable
#   share/zandor/Hand.cur, share/zandor/Images/originale/*
#                                                   read-only data: the cursor and
#                                                   the pictures a player starts with
#   share/zandor/screenshot.png                     the screenshot the metainfo shows
#   share/zandor/translations/zandor_en.qm          the English texts
#   share/applications/zandor.desktop               the menu entry
#   share/icons/hicolor/<n>x<n>/apps/zandor.png     the icon, 32 to 256 pixels
#   share/metainfo/org.example.Zandor.metainfo.xml  what software centres show
#   share/doc/zandor/copyright                      the licence, in Debian's
#                                                   machine-readable format
# The installed game keeps the player's files in ~/.local/share/zandor and
# writes nothing below the prefix. A Debian package is made from the same
# rules: cpack -G DEB in the build folder.
include(GNUInstallDirs)

# --- the screenshot, drawn by the game itself ------------------------------------
add_executable(zandor_make_screenshot ${CMAKE_CURRENT_LIST_DIR}/make_screenshot.cpp)
target_link_libraries(zandor_make_screenshot PRIVATE zandor_ui)
set(ZANDOR_SCREENSHOT ${CMAKE_BINARY_DIR}/share/screenshot.png)
add_custom_command(
  OUTPUT ${ZANDOR_SCREENSHOT}
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${CMAKE_BINARY_DIR}/share/screenshot-folder
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/share/screenshot-folder
  COMMAND ${CMAKE_COMMAND} -E create_symlink ${ZANDOR_PROGRAM_DIR}/solver.pdb ${CMAKE_BINARY_DIR}/share/screenshot-folder/solver.pdb
  COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0
          $<TARGET_FILE:zandor_make_screenshot> ${CMAKE_BINARY_DIR}/share/screenshot-folder
          ${ZANDOR_PROGRAM_DIR}/Images/originale Landschaft.jpg ${ZANDOR_SCREENSHOT}
  DEPENDS zandor_make_screenshot ${CMAKE_CURRENT_LIST_DIR}/make_pictures.cpp ${ZANDOR_PROGRAM_DIR}/solver.pdb
  COMMENT "Drawing the screenshot of the main window"
  VERBATIM)
add_custom_target(zandor_screenshot ALL DEPENDS ${ZANDOR_SCREENSHOT})
add_dependencies(zandor_screenshot zandor_pictures zandor_solver_tables)

# --- the install rules ----------------------------------------------------------------
set(ZANDOR_INSTALL_DATADIR ${CMAKE_INSTALL_DATADIR}/zandor)
install(TARGETS zandor RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${ZANDOR_PROGRAM_DIR}/Hand.cur ${ZANDOR_SCREENSHOT}
        DESTINATION ${ZANDOR_INSTALL_DATADIR})
install(FILES ${ZANDOR_QM_FILES} DESTINATION ${ZANDOR_INSTALL_DATADIR}/translations)
install(FILES
          ${ZANDOR_PROGRAM_DIR}/Images/originale/Landschaft.jpg
          ${ZANDOR_PROGRAM_DIR}/Images/originale/Muster.jpg
          ${ZANDOR_PROGRAM_DIR}/Images/originale/Farbenspiel.jpg
          ${ZANDOR_PROGRAM_DIR}/Images/originale/Mosaik.bmp
          ${ZANDOR_PROGRAM_DIR}/Images/originale/Segelboot.wmf
        DESTINATION ${ZANDOR_INSTALL_DATADIR}/Images/originale)
foreach(size 32 64 128 256)
  if(size EQUAL 256)
    set(icon ${ZANDOR_PROGRAM_DIR}/zandor.png)
  else()
    set(icon ${ZANDOR_PROGRAM_DIR}/zandor-${size}.png)
  endif()
  install(FILES ${icon} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME zandor.png)
endforeach()
install(FILES ${CMAKE_CURRENT_LIST_DIR}/org.example.Zandor.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/zandor)

# The menu entry names the installed executable by its full path, known only
# when installing (the prefix may be given to cmake --install).
# Each install writes its own entry first (installs may run side by side).
install(CODE "
  set(zandor_exec \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/zandor\")
  string(MD5 zandor_target \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}\")
  set(zandor_entry \"${CMAKE_BINARY_DIR}/share/applications/\${zandor_target}/zandor.desktop\")
  execute_process(COMMAND \"$<TARGET_FILE:zandor_make_icons>\" --desktop-entry
                          \"\${zandor_exec}\" zandor \"\${zandor_entry}\"
                  RESULT_VARIABLE zandor_result)
  if(NOT zandor_result EQUAL 0)
    message(FATAL_ERROR \"Cannot write the desktop entry: \${zandor_result}\")
  endif()
  file(INSTALL DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/applications\"
       TYPE FILE FILES \"\${zandor_entry}\")
  file(REMOVE_RECURSE \"${CMAKE_BINARY_DIR}/share/applications/\${zandor_target}\")
")

# Installing and packaging take what the build made; they do not build it
# first (cpack would otherwise build every test as well).
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

# --- the Debian package ---------------------------------------------------------------
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zandor)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Zandor-Team")
set(CPACK_PACKAGE_CONTACT "Zandor-Team <zandor@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "sliding picture puzzle with pictures of your own")
set(CPACK_PACKAGE_DESCRIPTION
    "Zandor cuts a picture of your choice into sixteen tiles on a board of four\nby four fields; drag the tiles into place until the picture is whole again.\nSaved games, a top-ten list and an optimal solver's hints.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.zandor.example.org/")
# The shared libraries' packages, found by dpkg-shlibdeps (dpkg-dev).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's German texts for its own dialogs (without them a German player reads
# the buttons in English), and Qt's Wayland platform, so that a Wayland session runs the game
# natively instead of through XWayland.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, qt6-wayland")
set(CPACK_STRIP_FILES ON)
include(CPack)
