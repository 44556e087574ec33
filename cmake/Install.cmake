# Installing Voleta like any Linux desktop program (cmake --install, ./run package).
# The build tree keeps working as before: nothing here changes what the build puts
# beside the programs.
include(GNUInstallDirs)

# One reverse-DNS id, from the project's web domain (voleta.example.org), names the
# desktop entry, the AppStream component and the icon; the program tells Qt the same.
set(VOLETA_APP_ID org.example.voleta)
target_compile_definitions(voleta PRIVATE VOLETA_APP_ID="${VOLETA_APP_ID}")

add_subdirectory(tools/iconrender)
add_subdirectory(data)

install(TARGETS voleta RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
if(TARGET voleta-render)
  install(TARGETS voleta-render RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
endif()
# The samples, from which the first start fills the user's own picture folders.
install(DIRECTORY "${PROJECT_SOURCE_DIR}/samples/画像フォルダ" "${PROJECT_SOURCE_DIR}/samples/背景フォルダ"
  DESTINATION "${CMAKE_INSTALL_DATADIR}/voleta/samples")

if(TARGET test_install)
  target_compile_definitions(test_install PRIVATE
    VOLETA_APP_ID="${VOLETA_APP_ID}"
    VOLETA_PROJECT_VERSION="${PROJECT_VERSION}"
    VOLETA_BUILD_DIR="${CMAKE_BINARY_DIR}"
    VOLETA_CMAKE_COMMAND="${CMAKE_COMMAND}")
  add_dependencies(test_install voleta voleta_data)
endif()

# The Debian package (./run package). Dependencies come from the programs' shared
# libraries (dpkg-shlibdeps), plus what Qt loads at run time and the fallback font.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME voleta)
set(CPACK_PACKAGE_VENDOR "Voleta Project")
set(CPACK_PACKAGE_CONTACT "Voleta Project <support@voleta.example.org>")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://voleta.example.org/")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "make single-image stereograms of text")
set(CPACK_PACKAGE_DESCRIPTION [[
Voleta makes single-image stereograms of text. Type up to three lines, give
each its font, size, style, position and depth, pick a pattern picture and,
if you like, a terrain map whose relief lies behind the text: Voleta composes
a picture in which the text and the terrain stand out in 3D when free-viewed.
It shows, saves and prints the picture; the interface is Japanese.
voleta-render makes the same pictures without a window.]])
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-ipafont-gothic, qt6-qpa-plugins, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
