# Installing and packaging: a desktop entry per build (so links of its scheme reach it), the
# program's icon, install rules, and two Debian packages made by `cpack -G DEB`: questlog (the
# six programs, their entries and the icon) and questlog-services (the stand-in services).
# The programs themselves are installed where they are defined (src/app, services).

# One desktop entry per build, named and registered for its scheme as its information file says.
set(desktop_entries_dir ${PROJECT_BINARY_DIR}/desktop)
set(QUESTLOG_DESKTOP_ENTRIES)
foreach(code IN LISTS QUESTLOG_PLATFORMS)
  set(info_file ${PROJECT_SOURCE_DIR}/resources/info/${code}/Info.json)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${info_file})
  file(READ ${info_file} info)
  string(JSON QUESTLOG_DISPLAY_NAME GET "${info}" CFBundleDisplayName)
  string(JSON QUESTLOG_URL_SCHEME GET "${info}" "Custom URL Scheme")
  set(QUESTLOG_EXECUTABLE questlog-${code})
  set(entry ${desktop_entries_dir}/questlog-${code}.desktop)
  configure_file(${PROJECT_SOURCE_DIR}/resources/desktop/questlog.desktop.in ${entry} @ONLY)
  list(APPEND QUESTLOG_DESKTOP_ENTRIES ${entry})
endforeach()

install(FILES ${QUESTLOG_DESKTOP_ENTRIES}
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications
  COMPONENT questlog)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/resources/icons/hicolor
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons
  COMPONENT questlog)

if(QUESTLOG_TESTS)
  find_program(DESKTOP_FILE_VALIDATE desktop-file-validate)
  if(DESKTOP_FILE_VALIDATE)
    # Hints and warnings count as failures too: the desktops that read these are strict.
    add_test(NAME questlog_desktop_entries COMMAND ${DESKTOP_FILE_VALIDATE} ${QUESTLOG_DESKTOP_ENTRIES})
    set_tests_properties(questlog_desktop_entries PROPERTIES FAIL_REGULAR_EXPRESSION ": (error|warning|hint): ")
  endif()
  add_test(NAME questlog_app_icon_current COMMAND questlog-app-icon --check ${PROJECT_SOURCE_DIR})
endif()

# The Debian packages.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME questlog)
set(CPACK_PACKAGE_VENDOR "Questlog")
set(CPACK_PACKAGE_CONTACT "Questlog developers <developers@questlog.example.org>")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://questlog.example.org")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_COMPONENTS_ALL questlog services)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
# Debug information stays in the build; the packages carry stripped programs.
set(CPACK_STRIP_FILES TRUE)

set(CPACK_DEBIAN_QUESTLOG_PACKAGE_NAME questlog)
# A package's description: its first line is the synopsis.
set(CPACK_COMPONENT_QUESTLOG_DESCRIPTION
  "Catalogue of video games with wish list and reviews
Questlog keeps a catalogue of video games for one game platform: a list by
release date or score, filters, search, wish and played marks, a personal
score, and a detail screen with the review, screenshots and related articles.
One program per platform: questlog-xbox360, questlog-wii, questlog-ps3,
questlog-psp, questlog-pc and questlog-ds. Each registers a desktop entry for
its questlog-<platform>: links.")
# Not a library, so dpkg-shlibdeps cannot find it: xdg-utils hands mail and links to the desktop.
set(CPACK_DEBIAN_QUESTLOG_PACKAGE_RECOMMENDS "xdg-utils")
set(QUESTLOG_APPLICATIONS_DIR ${CPACK_PACKAGING_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/applications)
set(QUESTLOG_HICOLOR_DIR ${CPACK_PACKAGING_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/icons/hicolor)
set(maintainer_scripts ${PROJECT_BINARY_DIR}/debian)
foreach(script postinst postrm)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/debian/refresh-desktop.in ${maintainer_scripts}/${script}
    @ONLY FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
    WORLD_READ WORLD_EXECUTE)
endforeach()
set(CPACK_DEBIAN_QUESTLOG_PACKAGE_CONTROL_EXTRA
  ${maintainer_scripts}/postinst ${maintainer_scripts}/postrm)

set(CPACK_DEBIAN_SERVICES_PACKAGE_NAME questlog-services)
set(CPACK_COMPONENT_SERVICES_DESCRIPTION
  "Stand-in services for Questlog, on the local machine
questlog-services answers on loopback in place of the catalogue update,
review, metrics and box-art services and the two web sites that Questlog
uses, from generated fictional data: for trying the programs and testing
them with no network.")

include(CPack)
