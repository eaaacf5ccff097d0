# Windows: everything in one folder, installed per user by an NSIS installer.
#
#   ponderino.exe                        the program, statically linked
#   *.bmp, Help.htm                      the fifteen pictures and the methods' help
#   LICENSE.txt, Liberation Sans.txt     the program's and its font's licences
#
# cpack -G NSIS in the build folder makes ponderino-<version>-win64.exe from
# NSIS.template.in beside this file. The same files, for people who may not install
# programs, go into ponderino-<version>-win64-portatile.zip (zip_portatile.py);
# scripts/windows.sh makes both, with SHA256SUMS beside them.
install(TARGETS ponderino RUNTIME DESTINATION .)
install(FILES ${PONDERINO_FILE_RUNTIME} DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION . RENAME LICENSE.txt)
install(FILES /usr/share/doc/fonts-liberation/copyright DESTINATION . RENAME "Liberation Sans.txt")

set(CPACK_GENERATOR NSIS)
set(CPACK_PACKAGE_NAME Ponderino)
set(CPACK_PACKAGE_VENDOR Ponderino)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME ponderino-${PROJECT_VERSION}-win64)
set(CPACK_PACKAGE_INSTALL_DIRECTORY Ponderino)
set(CPACK_STRIP_FILES ON)
set(CPACK_NSIS_COMPRESSOR "/SOLID lzma")
set(CPACK_NSIS_MUI_ICON ${PONDERINO_ICONA_WINDOWS})
set(CPACK_PONDERINO_VERSIONE_4 ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0)
# The template above replaces CPack's own, which installs for all users.
list(PREPEND CMAKE_MODULE_PATH ${CMAKE_CURRENT_LIST_DIR})
include(CPack)
