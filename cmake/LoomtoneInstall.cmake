# make install: the program and its data together under PREFIX/lib/loomtone
# (the program looks for its skin and strings next to its executable), a
# launcher link in PREFIX/bin, and the desktop entry, icon and project file
# type for the desktop.
set(LOOMTONE_INSTALL_DIR lib/loomtone)

install(TARGETS loomtone RUNTIME DESTINATION ${LOOMTONE_INSTALL_DIR})
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${LOOMTONE_INSTALL_DIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/data/ DESTINATION ${LOOMTONE_INSTALL_DIR}
  PATTERN "loomtone.desktop" EXCLUDE
  PATTERN "loomtone-mime.xml" EXCLUDE
  PATTERN "icons" EXCLUDE)

# A link rather than a copy: the program's folder is where the link points.
install(DIRECTORY DESTINATION bin)
install(CODE "
  set(link \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin/loomtone\")
  file(REMOVE \"\${link}\")
  file(CREATE_LINK ../${LOOMTONE_INSTALL_DIR}/loomtone \"\${link}\" SYMBOLIC)
  message(STATUS \"Installing: \${link}\")")

install(FILES ${PROJECT_SOURCE_DIR}/data/loomtone.desktop DESTINATION share/applications)
install(FILES ${PROJECT_SOURCE_DIR}/data/icons/loomtone.svg
  DESTINATION share/icons/hicolor/scalable/apps)
install(FILES ${PROJECT_SOURCE_DIR}/data/loomtone-mime.xml
  DESTINATION share/mime/packages RENAME loomtone.xml)
