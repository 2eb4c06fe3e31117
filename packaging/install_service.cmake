# Runs at install time with the prefix of that install (file(INSTALL) adds DESTDIR itself): the
# unit runs the luxpanel-cli installed beside it, and the options file goes under /etc for a /usr
# install, under PREFIX/etc otherwise.
# The options file may hold the broker's password: only root reads it, as systemd does.
set(prefix "${CMAKE_INSTALL_PREFIX}")
if(prefix STREQUAL "/usr")
  set(etc "/etc")
else()
  set(etc "${prefix}/etc")
endif()
set(LUXPANEL_CLI_PATH "${prefix}/${LUXPANEL_BINDIR}/luxpanel-cli")
configure_file("${LUXPANEL_PACKAGING_DIR}/luxpanel-serve@.service.in"
               "${LUXPANEL_STAGING_DIR}/luxpanel-serve@.service" @ONLY)
file(INSTALL "${LUXPANEL_STAGING_DIR}/luxpanel-serve@.service"
     DESTINATION "${prefix}/lib/systemd/system")
file(INSTALL "${LUXPANEL_PACKAGING_DIR}/luxpanel-serve.default"
     DESTINATION "${etc}/default" RENAME luxpanel-serve
     PERMISSIONS OWNER_READ OWNER_WRITE)
