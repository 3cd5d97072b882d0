# Installs the systemd user units for the prefix of this install, which is known only now
# (cmake --install --prefix may name another than the configured one). ExecStart names the
# installed program by its full path, and the units go where systemd's user manager looks:
# lib/systemd/user under /usr and /usr/local, share/systemd/user under any other prefix, which
# the user manager reads for ~/.local (XDG_DATA_HOME) and for a prefix on XDG_DATA_DIRS.
# Set by the install(CODE) before it: ORVA_UNITS_SOURCE, ORVA_UNITS_BUILD, ORVA_BINDIR.
cmake_path(ABSOLUTE_PATH ORVA_BINDIR BASE_DIRECTORY "${CMAKE_INSTALL_PREFIX}" NORMALIZE)
set(ORVA_PROGRAM "${ORVA_BINDIR}/orva-control")
cmake_path(SET prefix NORMALIZE "${CMAKE_INSTALL_PREFIX}/")
if(prefix STREQUAL "/usr/" OR prefix STREQUAL "/usr/local/")
    set(unitdir "${prefix}lib/systemd/user")
else()
    set(unitdir "${prefix}share/systemd/user")
endif()
configure_file("${ORVA_UNITS_SOURCE}/orva-power-off.service.in"
               "${ORVA_UNITS_BUILD}/orva-power-off.service" @ONLY)
file(INSTALL "${ORVA_UNITS_BUILD}/orva-power-off.service"
             "${ORVA_UNITS_SOURCE}/orva-power-off.timer"
     DESTINATION "${unitdir}")
