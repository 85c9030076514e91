# `cmake --install` puts the program where a Linux desktop finds it: the
# executable, a desktop entry with the logo icon (so the program is
# listed in the application menu under its title), and the udev rule that lets
# the logged-in user open the processor's hidraw node.
include(GNUInstallDirs)

# udev reads /usr/lib/udev/rules.d (the distribution's) and /etc/udev/rules.d
# (the administrator's), never a rules folder below /usr/local. `cmake --install --prefix`
# replaces the configured prefix only while installing, so the folder is chosen then.
set(kestrel_udev_help "Where the udev rule is installed (empty: by the install prefix)")
get_property(kestrel_udev_cached_help CACHE KESTREL_UDEV_RULES_DIR PROPERTY HELPSTRING)
if(kestrel_udev_cached_help STREQUAL "Where the udev rule is installed")
    # A build folder configured before holds the folder its prefix gave then, not a choice.
    unset(KESTREL_UDEV_RULES_DIR CACHE)
endif()
set(KESTREL_UDEV_RULES_DIR "" CACHE PATH "${kestrel_udev_help}")

install(TARGETS tessaline-dsp-control RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(KESTREL_UDEV_RULES_DIR)
    install(FILES dist/70-kestrel.rules DESTINATION ${KESTREL_UDEV_RULES_DIR})
else()
    install(CODE "
        set(kestrel_udev_dir /etc/udev/rules.d)
        if(CMAKE_INSTALL_PREFIX MATCHES \"^/usr/?$\")
            set(kestrel_udev_dir /usr/lib/udev/rules.d)  # not the multiarch library folder
        endif()
        file(INSTALL DESTINATION \"\${kestrel_udev_dir}\" TYPE FILE
             FILES \"${CMAKE_CURRENT_SOURCE_DIR}/dist/70-kestrel.rules\")")
endif()
install(FILES dist/tessaline-dsp-control.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
# The logo on a dark rounded square (tools/make-app-icon.py): the white logo alone would
# vanish on a light menu.
install(FILES dist/tessaline-dsp-control.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps)
