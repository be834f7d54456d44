# Install rules (cmake --install) and the Debian package (cpack, generator DEB).
#
# The package's library dependencies are worked out by dpkg-shlibdeps from the
# installed binaries; only what it cannot see is named here: what is loaded at
# run time (Qt's platform plugins, Mesa's GL driver) and whatever another part
# of the build appends to the GLOBAL properties FACETRA_DEB_DEPENDS and
# FACETRA_DEB_RECOMMENDS (the Python module's interpreter and packages).
include(GNUInstallDirs)

set(facetra_id org.facetra.Facetra)
set(facetra_data ${PROJECT_SOURCE_DIR}/data)

install(TARGETS facetra-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET facetra)
    install(TARGETS facetra RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    install(FILES ${facetra_data}/${facetra_id}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${facetra_data}/${facetra_id}.mime.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME ${facetra_id}.xml)
    configure_file(${facetra_data}/${facetra_id}.metainfo.xml.in
        ${PROJECT_BINARY_DIR}/generated/${facetra_id}.metainfo.xml @ONLY)
    install(FILES ${PROJECT_BINARY_DIR}/generated/${facetra_id}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
    install(FILES ${facetra_data}/icons/facetra.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps RENAME ${facetra_id}.svg)
    install(FILES ${facetra_data}/icons/facetra.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps RENAME ${facetra_id}.png)
endif()
install(FILES ${facetra_data}/facetra-cli.bash
    DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME facetra-cli)

# Manual pages, compressed as Debian keeps them (-n: no name or time inside, so
# the bytes depend on the page only).
find_program(FACETRA_GZIP gzip)
set(man_pages facetra-cli.1)
if(TARGET facetra)
    list(APPEND man_pages facetra.1)
endif()
set(man_outputs)
foreach(page ${man_pages})
    set(source ${PROJECT_SOURCE_DIR}/docs/man/${page})
    if(FACETRA_GZIP)
        set(output ${PROJECT_BINARY_DIR}/man/${page}.gz)
        add_custom_command(OUTPUT ${output}
            COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
            COMMAND ${FACETRA_GZIP} -9nc ${source} > ${output}
            DEPENDS ${source}
            COMMENT "Compressing manual page ${page}")
        list(APPEND man_outputs ${output})
    else()
        list(APPEND man_outputs ${source})
    endif()
endforeach()
add_custom_target(facetra_man ALL DEPENDS ${man_outputs})
install(FILES ${man_outputs} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The Debian package.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME facetra)
set(CPACK_PACKAGE_VENDOR "Facetra")
set(CPACK_PACKAGE_CONTACT "Facetra developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop workbench for triangle meshes")
# The summary is the first line of the package's description; these lines follow it.
string(CONCAT CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Open a mesh (OBJ, PLY, STL, OFF, GTS, each also gzip-compressed), turn it under an\n"
    "arcball in eight render modes, and run tools on it: geodesic segmentation,\n"
    "normal filtering, butterfly subdivision, edge-collapse simplification, terrain\n"
    "from height maps, vertex colouring and clipping planes. facetra-cli runs the same\n"
    "tools and step scripts without a window.")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

# Loaded at run time, so dpkg-shlibdeps cannot see them: the X11 platform plugin
# (only a Recommends of Qt's GUI library) and the GL driver behind libGL.
set(facetra_depends qt6-qpa-plugins libgl1-mesa-dri)
set(facetra_recommends)
get_property(more_depends GLOBAL PROPERTY FACETRA_DEB_DEPENDS)
get_property(more_recommends GLOBAL PROPERTY FACETRA_DEB_RECOMMENDS)
list(APPEND facetra_depends ${more_depends})
list(APPEND facetra_recommends ${more_recommends})
list(REMOVE_DUPLICATES facetra_depends)
list(JOIN facetra_depends ", " CPACK_DEBIAN_PACKAGE_DEPENDS)
if(facetra_recommends)
    list(REMOVE_DUPLICATES facetra_recommends)
    list(JOIN facetra_recommends ", " CPACK_DEBIAN_PACKAGE_RECOMMENDS)
endif()

include(CPack)
