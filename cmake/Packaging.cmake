# `cpack -G DEB` in the build folder makes sorabun_<version>_<arch>.deb from
# the install rules; its library dependencies are read from the program itself.
set(CPACK_PACKAGE_NAME sorabun)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Sorabun developers")
set(CPACK_PACKAGE_CONTACT "Sorabun developers <sorabun@example.org>")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://sorabun.example.org/")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "nine-page memo pad with a Japanese user interface")
# The package's long description, one line per line of the control file.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
       "Sorabun keeps nine pages of notes and shows one at a time. Every page, the"
       "caret, the font and colour, word wrap and the window's place are remembered"
       "between runs, so nothing ever needs saving. It finds and replaces text,"
       "opens, inserts and writes Shift-JIS (code page 932) text files, takes in"
       "files named on its command line or dropped on its window, and prints.")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION editors)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Not linked, but used at run time: Japanese standard buttons, a Japanese
# font for the design face, and the opener behind Help and the homepage.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "qt6-translations-l10n, fonts-ipafont-gothic | fonts-noto-cjk, xdg-utils")

include(CPack)
