# What `cmake --install` puts under the prefix, and the Debian package made from it (cpack).
#
#   bin/brelvo, bin/brelvo-warp
#   share/brelvo/Brelvo.erc             the program finds it from bin/ as ../share/brelvo/
#   share/applications/, share/metainfo/, share/icons/hicolor/NxN/apps/   the desktop's entries
#   share/man/man1/brelvo.1, brelvo-warp.1   written from each program's --help
include(GNUInstallDirs)

set(BRELVO_APP_ID org.brelvo.Brelvo)
set(desktop_dir ${CMAKE_BINARY_DIR}/desktop)

install(TARGETS brelvo brelvo-warp RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${BRELVO_ARCHIVE_FILE} DESTINATION ${CMAKE_INSTALL_DATADIR}/brelvo)
install(FILES ${PROJECT_SOURCE_DIR}/app/desktop/${BRELVO_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
configure_file(${PROJECT_SOURCE_DIR}/app/desktop/${BRELVO_APP_ID}.metainfo.xml.in
               ${desktop_dir}/${BRELVO_APP_ID}.metainfo.xml @ONLY)
install(FILES ${desktop_dir}/${BRELVO_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# The icon at the sizes desktops look for, drawn by the artwork builder.
set(icons)
foreach(size 16 24 32 48 64 128 256)
  set(icon ${desktop_dir}/icons/${size}/${BRELVO_APP_ID}.png)
  add_custom_command(OUTPUT ${icon}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${desktop_dir}/icons/${size}
    COMMAND brelvo-assets icon ${size} ${icon}
    DEPENDS brelvo-assets
    COMMENT "Drawing the ${size}x${size} icon"
    VERBATIM)
  list(APPEND icons ${icon})
  install(FILES ${icon} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()

# The manual pages say what --help says.
set(manuals)
foreach(program brelvo brelvo-warp)
  if(program STREQUAL "brelvo")
    set(summary "a small picture-warping editor")
  else()
    set(summary "warp pictures from the command line as the Brelvo editor does")
  endif()
  set(manual ${desktop_dir}/${program}.1)
  add_custom_command(OUTPUT ${manual}
    COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:${program}> -DNAME=${program}
            "-DSUMMARY=${summary}" -DVERSION=${PROJECT_VERSION} -DOUTPUT=${manual}
            -P ${PROJECT_SOURCE_DIR}/cmake/HelpToMan.cmake
    DEPENDS ${program} ${PROJECT_SOURCE_DIR}/cmake/HelpToMan.cmake
    COMMENT "Writing the manual page ${program}.1"
    VERBATIM)
  list(APPEND manuals ${manual})
  install(FILES ${manual} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
add_custom_target(brelvo_desktop_files ALL DEPENDS ${icons} ${manuals})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME brelvo)
set(CPACK_PACKAGE_VENDOR "Brelvo developers")
set(CPACK_PACKAGE_CONTACT "Brelvo developers <developers@brelvo.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "small picture-warping editor")
set(CPACK_PACKAGE_DESCRIPTION
    "Brelvo opens a BMP, PNG, JPEG or GIF picture and warps it with stylus tools: the Hook drags
content along the path, the Magnifier bulges, the Gripper pinches; with zoom, trim, undo and
redo, it saves the result as a 24-bit BMP file. brelvo-warp applies the same warps from the
command line.")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
# The libraries' packages come from what the programs link (dpkg-shlibdeps).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
