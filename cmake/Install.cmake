# What `cmake --install` puts under the prefix besides the programs (src/bin) and the manual
# (cmake/Manual.cmake): the man pages, the systemd user unit and, with the desktop program, its
# menu entry and icon. The source files are in packaging/.

if(STAYLINE_UNIT_AT_INSTALL)
  # The path is quoted, with its backslashes, quotes and '%' escaped for systemd; a relative
  # prefix is taken from the folder cmake runs in. Each prefix gets its own passing copy in the
  # build folder, so installs into two prefixes at once do not mix.
  get_filename_component(prefix "${CMAKE_INSTALL_PREFIX}" ABSOLUTE)
  set(exe "${prefix}/bin/staylined")
  string(REPLACE "\\" "\\\\" exe "${exe}")
  string(REPLACE "\"" "\\\"" exe "${exe}")
  string(REPLACE "%" "%%" exe "${exe}")
  set(STAYLINE_INSTALLED_STAYLINED "\"${exe}\"")
  string(MD5 key "${prefix}")
  set(unit "${STAYLINE_UNIT_WORK_DIR}/${key}/staylined.service")
  configure_file("${STAYLINE_UNIT_AT_INSTALL}" "${unit}" @ONLY)
  file(INSTALL DESTINATION "${CMAKE_INSTALL_PREFIX}/${STAYLINE_UNIT_DIR}" TYPE FILE FILES "${unit}")
  file(REMOVE_RECURSE "${STAYLINE_UNIT_WORK_DIR}/${key}")
  return()
endif()

set(STAYLINE_PACKAGING ${CMAKE_SOURCE_DIR}/packaging)

# The man pages carry the version of this build.
set(STAYLINE_MAN_PAGES staylined stayline-ctl stayline-ftp)
if(TARGET stayline)
  list(APPEND STAYLINE_MAN_PAGES stayline)
endif()
foreach(page ${STAYLINE_MAN_PAGES})
  configure_file(${STAYLINE_PACKAGING}/man/${page}.1.in
                 ${CMAKE_BINARY_DIR}/share/man/man1/${page}.1 @ONLY)
  install(FILES ${CMAKE_BINARY_DIR}/share/man/man1/${page}.1 DESTINATION share/man/man1)
endforeach()

# share/systemd/user is searched for user units below $XDG_DATA_HOME and every $XDG_DATA_DIRS
# entry, so the unit is found under /usr, /usr/local and ~/.local alike (lib/systemd/user is not
# searched below ~/.local).
set(STAYLINE_SYSTEMD_USER_UNIT_DIR share/systemd/user
    CACHE STRING "Where the systemd user unit staylined.service is installed, below the prefix")
# The unit names the installed staylined, so it is written when the prefix is known: at install
# time (`cmake --install --prefix` may differ from the configured prefix), by this file included
# from the install script (the block at its top).
install(CODE "
  set(STAYLINE_UNIT_AT_INSTALL \"${STAYLINE_PACKAGING}/staylined.service.in\")
  set(STAYLINE_UNIT_WORK_DIR \"${CMAKE_BINARY_DIR}/packaging\")
  set(STAYLINE_UNIT_DIR \"${STAYLINE_SYSTEMD_USER_UNIT_DIR}\")
  include(\"${CMAKE_CURRENT_LIST_FILE}\")
")

# The menu entry and its icon start the desktop program, so they come with it only.
if(TARGET stayline)
  install(FILES ${STAYLINE_PACKAGING}/stayline.desktop DESTINATION share/applications)
  install(FILES ${STAYLINE_PACKAGING}/stayline.svg
          DESTINATION share/icons/hicolor/scalable/apps)
  # A 48x48 picture for desktops that do not draw SVG icons, where rsvg-convert is there.
  find_program(RSVG_CONVERT rsvg-convert)
  if(RSVG_CONVERT)
    set(STAYLINE_ICON_PNG ${CMAKE_BINARY_DIR}/share/icons/hicolor/48x48/apps/stayline.png)
    add_custom_command(
      OUTPUT ${STAYLINE_ICON_PNG}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/share/icons/hicolor/48x48/apps
      COMMAND ${RSVG_CONVERT} -w 48 -h 48 -o ${STAYLINE_ICON_PNG} ${STAYLINE_PACKAGING}/stayline.svg
      DEPENDS ${STAYLINE_PACKAGING}/stayline.svg
      COMMENT "Rendering the 48x48 icon"
      VERBATIM)
    add_custom_target(stayline_icon ALL DEPENDS ${STAYLINE_ICON_PNG})
    install(FILES ${STAYLINE_ICON_PNG} DESTINATION share/icons/hicolor/48x48/apps)
  else()
    message(STATUS "rsvg-convert not found: the icon is installed as SVG only "
                   "(scripts/install-deps.sh installs librsvg2-bin)")
  endif()
endif()
