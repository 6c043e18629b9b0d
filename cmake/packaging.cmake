# Releases: the Debian package (cmake --workflow --preset package), the
# Windows zip and the page's zip (the windows and web workflows' last steps),
# all made by CPack.
set(CPACK_PACKAGE_NAME heat2d)
set(CPACK_PACKAGE_VENDOR "The heat2d authors")
set(CPACK_PACKAGE_CONTACT "The heat2d authors <heat2d@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "steady heat conduction in a notched plate by finite elements")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
       "heat2d computes the steady temperature in a notched plate with linear\n"
       "three-node triangles on 18 nodes, and writes every intermediate result\n"
       "(nodes, conduction matrix, load vector, temperatures) as plain text that\n"
       "can be checked by hand. Tools beside it draw the field, number a\n"
       "triangulation from Gmsh or a list of triangles for it, and export the\n"
       "field for ParaView and Gmsh.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
    GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

if(EMSCRIPTEN)
    # The page, for any static host.
    set(CPACK_GENERATOR ZIP)
    set(CPACK_PACKAGE_FILE_NAME heat2d-${PROJECT_VERSION}-web)
elseif(WIN32)
    set(CPACK_GENERATOR ZIP)
    set(CPACK_PACKAGE_FILE_NAME heat2d-${PROJECT_VERSION}-win64)
else()
    set(CPACK_GENERATOR DEB)
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_SECTION science)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "python3, python3-numpy")
    set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "python3-matplotlib, python3-meshio")
    set(CPACK_DEBIAN_PACKAGE_SUGGESTS "gmsh, freefem++")
    # The documentation Debian asks for: copyright, a changelog and the
    # manual pages, compressed.
    set(docs ${CMAKE_BINARY_DIR}/packaging)
    file(MAKE_DIRECTORY ${docs})
    string(TIMESTAMP release_date "%a, %d %b %Y 00:00:00 +0000" UTC)
    file(WRITE ${docs}/changelog "heat2d (${PROJECT_VERSION}) unstable; urgency=medium

  * Release ${PROJECT_VERSION}; see CHANGELOG.md in the sources.

 -- ${CPACK_PACKAGE_CONTACT}  ${release_date}
")
    file(READ ${PROJECT_SOURCE_DIR}/LICENSE license)
    string(REGEX REPLACE "^MIT License\n\nCopyright [^\n]*\n\n" "" license "${license}")
    string(REGEX REPLACE "\n\n" "\n.\n" license "${license}")
    string(REGEX REPLACE "\n([^\n])" "\n \\1" license "${license}")
    file(WRITE ${docs}/copyright "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: heat2d

Files: *
Copyright: 2026 The heat2d authors
License: Expat
 ${license}")
    set(compressed ${docs}/changelog.gz)
    foreach(page heat2d heat2d-plot heat2d-elements heat2d-export)
        list(APPEND compressed ${docs}/${page}.1.gz)
        add_custom_command(OUTPUT ${docs}/${page}.1.gz
                           COMMAND gzip -9n -c ${PROJECT_SOURCE_DIR}/man/${page}.1 > ${docs}/${page}.1.gz
                           DEPENDS ${PROJECT_SOURCE_DIR}/man/${page}.1)
        install(FILES ${docs}/${page}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    endforeach()
    add_custom_command(OUTPUT ${docs}/changelog.gz COMMAND gzip -9n -c ${docs}/changelog > ${docs}/changelog.gz
                       DEPENDS ${docs}/changelog)
    add_custom_target(documentation ALL DEPENDS ${compressed})
    install(FILES ${docs}/copyright ${docs}/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})
    install(FILES examples/elements.txt examples/heat2d.ipynb DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)
    install(FILES README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
    install(DIRECTORY docs DESTINATION ${CMAKE_INSTALL_DOCDIR} FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
    # Our own maintainer scripts: the private library in /usr/lib/heat2d needs
    # no ldconfig, which CPack would call otherwise; the Python package's byte
    # code is compiled and removed with it.
    set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/cmake/debian/postinst
        ${PROJECT_SOURCE_DIR}/cmake/debian/prerm ${PROJECT_SOURCE_DIR}/cmake/debian/postrm)
    set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
endif()
include(CPack)
