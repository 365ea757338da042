# Installation and the Debian package. The runners and the window go to
# bin/; qvjs, the helper that runs runjs code, must sit beside qvrun. The
# desktop entry, the *.qvs MIME type and the icon are installed by shell/.
include(GNUInstallDirs)

# Packaging reuses what is built: installing does not rebuild everything.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

set(qv_programs qvrun qvjs)
if(TARGET quorvint)
  list(APPEND qv_programs quorvint)
endif()
install(TARGETS ${qv_programs} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorvint)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Quorvint")
set(CPACK_PACKAGE_CONTACT "Quorvint developers <quorvint@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Script host for web data collection")
set(CPACK_PACKAGE_DESCRIPTION
    "Runs scripts that download pages, pick data out of them and write files; a window (quorvint) and a headless runner (qvrun).")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://localhost/quorvint")

# The dependencies are the runtime packages of the linked libraries: read
# from the binaries when dpkg-shlibdeps is there, else the known list.
find_program(QV_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(QV_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
  set(CPACK_DEBIAN_PACKAGE_DEPENDS
      "libqt6widgets6, libqt6gui6, libqt6core6, libcurl4, libicu72, libpcre2-8-0, zlib1g, libelf1, libduktape207, libssl3, libstdc++6")
endif()
# The MIME type and the desktop entry take effect through the desktop's
# triggers (shared-mime-info, desktop-file-utils), which dpkg runs itself.
# Pages and logs are often Chinese: a CJK font keeps them readable.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "shared-mime-info, xdg-utils, fonts-noto-cjk | fonts-wqy-microhei")

include(CPack)
