# `cmake --install` puts the program where a Linux desktop finds it: the
# executable, a desktop entry with the logo icon (so the program is
# listed in the application menu under its title), and the udev rule that lets
# the logged-in user open the processor's hidraw node.
include(GNUInstallDirs)

# udev reads /usr/lib/udev/rules.d (the distribution's) and /etc/udev/rules.d
# (the administrator's), never a rules folder below /usr/local.
if(CMAKE_INSTALL_PREFIX STREQUAL "/usr")
    set(kestrel_default_udev_dir "lib/udev/rules.d")  # not the multiarch library folder
else()
    set(kestrel_default_udev_dir "/etc/udev/rules.d")
endif()
set(KESTREL_UDEV_RULES_DIR "${kestrel_default_udev_dir}" CACHE PATH "Where the udev rule is installed")

install(TARGETS tessaline-dsp-control RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES dist/70-kestrel.rules DESTINATION ${KESTREL_UDEV_RULES_DIR})
install(FILES dist/tessaline-dsp-control.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
# The logo on a dark rounded square (tools/make-app-icon.py): the white logo alone would
# vanish on a light menu.
install(FILES dist/tessaline-dsp-control.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps)
