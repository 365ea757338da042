# Installation and the Debian package. The launcher qvrun and the window go
# to bin/; the runner that the launcher starts and qvjs, the helper that runs
# runjs code, to lib/quorvint/, where they are found as bin/../lib/quorvint. The desktop entry, the *.qvs MIME type and
# the icon are installed by shell/.
include(GNUInstallDirs)

# Packaging reuses what is built: installing does not rebuild everything.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

set(qv_programs qvrun)
if(TARGET quorvint)
  list(APPEND qv_programs quorvint)
endif()
install(TARGETS ${qv_programs} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS qvrun_runner qvjs RUNTIME DESTINATION lib/quorvint)

# Manual pages and the changelog, compressed as Debian wants them.
set(qv_gz_dir ${PROJECT_BINARY_DIR}/package)
configure_file(${PROJECT_SOURCE_DIR}/docs/debian/changelog.in ${qv_gz_dir}/changelog @ONLY)
set(qv_gz_files)
foreach(source docs/man/qvrun.1 docs/man/quorvint.1 ${qv_gz_dir}/changelog)
  get_filename_component(name ${source} NAME)
  if(NOT IS_ABSOLUTE ${source})
    set(source ${PROJECT_SOURCE_DIR}/${source})
  endif()
  add_custom_command(OUTPUT ${qv_gz_dir}/${name}.gz
    COMMAND gzip -9n -c ${source} > ${qv_gz_dir}/${name}.gz
    DEPENDS ${source}
    VERBATIM)
  list(APPEND qv_gz_files ${qv_gz_dir}/${name}.gz)
endforeach()
add_custom_target(package_files ALL DEPENDS ${qv_gz_files})
install(FILES ${qv_gz_dir}/qvrun.1.gz ${qv_gz_dir}/quorvint.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
set(qv_docdir ${CMAKE_INSTALL_DATADIR}/doc/quorvint)
install(FILES ${qv_gz_dir}/changelog.gz docs/debian/copyright docs/guide.md docs/reference.md
        DESTINATION ${qv_docdir})

# What `cmake --install` and cpack need built: `cmake --build build/release
# --target installable`.
add_custom_target(installable DEPENDS ${qv_programs} qvrun_runner qvjs package_files)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorvint)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Quorvint")
set(CPACK_PACKAGE_CONTACT "Quorvint maintainers <maintainers@quorvint.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "script host for web data collection")
# The extended description; CPack puts the summary above it and indents it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Quorvint runs scripts that download web pages, pick data out of them with
regular expressions or mask patterns, turn HTML into text and write the
results to files. Scripts are written in a Pascal-like, C-like, JS-like or
Basic-like syntax, or as templates.
.
The package holds the window quorvint, which runs a script and shows its
log, and the headless runner qvrun for servers, cron jobs and pipelines.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://quorvint.org/")

# The dependencies are the runtime packages of the linked libraries: read
# from the binaries when dpkg-shlibdeps is there, else the known list.
find_program(QV_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(QV_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # Loaded when a script first downloads or digests, so not among the
  # linked ones.
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libcurl4, libssl3")
else()
  set(CPACK_DEBIAN_PACKAGE_DEPENDS
      "libqt6widgets6, libqt6gui6, libqt6core6, libcurl4, libicu72, libpcre2-8-0, zlib1g, libelf1, libduktape207, libssl3, libstdc++6")
endif()
# The MIME type and the desktop entry take effect through the desktop's
# triggers (shared-mime-info, desktop-file-utils), which dpkg runs itself.
# Pages and logs are often Chinese: a CJK font keeps them readable.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "shared-mime-info, xdg-utils, fonts-noto-cjk | fonts-wqy-microhei")

include(CPack)
