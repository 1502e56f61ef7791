# Run by `cmake --install` and CPack (install(SCRIPT)): installs the desktop
# entry with Exec naming the program by its absolute installed path.
# Expects QUILLET_DESKTOP_ENTRY, QUILLET_DESKTOP_ENTRY_WORK, QUILLET_BINDIR and
# QUILLET_DATADIR; CMAKE_INSTALL_PREFIX is the prefix of this installation.
file(READ "${QUILLET_DESKTOP_ENTRY}" text)
if(IS_ABSOLUTE "${QUILLET_BINDIR}")
  set(program "${QUILLET_BINDIR}/quillet")
else()
  set(program "${CMAKE_INSTALL_PREFIX}/${QUILLET_BINDIR}/quillet")
endif()
string(REPLACE "\nExec=quillet\n" "\nExec=${program}\n" installed "${text}")
if(installed STREQUAL text)
  message(FATAL_ERROR "${QUILLET_DESKTOP_ENTRY} has no line Exec=quillet to complete")
endif()
get_filename_component(name "${QUILLET_DESKTOP_ENTRY}" NAME)
file(WRITE "${QUILLET_DESKTOP_ENTRY_WORK}/${name}" "${installed}")
# file(INSTALL) honours DESTDIR and records the file in install_manifest.txt.
file(INSTALL "${QUILLET_DESKTOP_ENTRY_WORK}/${name}" DESTINATION "${CMAKE_INSTALL_PREFIX}/${QUILLET_DATADIR}/applications"
  FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
