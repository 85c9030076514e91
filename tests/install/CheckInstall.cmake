# Installs the build into a staging folder and checks that a desktop would find
# the program: executable, udev rule, desktop entry and the icon it names.
cmake_minimum_required(VERSION 3.25)
file(REMOVE_RECURSE "${STAGE}")
execute_process(COMMAND ${CMAKE_COMMAND} -E env DESTDIR=${STAGE}
                        ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix /usr/local
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cmake --install failed: ${result}")
endif()

set(root "${STAGE}/usr/local")
foreach(path
        "${root}/bin/tessaline-dsp-control"
        "${root}/share/applications/tessaline-dsp-control.desktop"
        "${root}/share/icons/hicolor/256x256/apps/tessaline-dsp-control.png"
        "${STAGE}/etc/udev/rules.d/70-kestrel.rules")
    if(NOT EXISTS "${path}")
        message(FATAL_ERROR "not installed: ${path}")
    endif()
endforeach()

# The entry lists the program under its title and points at what was installed.
file(STRINGS "${root}/share/applications/tessaline-dsp-control.desktop" entry)
foreach(line "[Desktop Entry]" "Type=Application" "Name=Tessaline DSP Control"
             "Exec=tessaline-dsp-control" "Icon=tessaline-dsp-control")
    if(NOT line IN_LIST entry)
        message(FATAL_ERROR "desktop entry lacks \"${line}\"")
    endif()
endforeach()
file(STRINGS "${STAGE}/etc/udev/rules.d/70-kestrel.rules" rule REGEX "TAG\\+=\"uaccess\"")
if(NOT rule MATCHES "28e9" OR NOT rule MATCHES "028a")
    message(FATAL_ERROR "the udev rule does not name 28e9:028a")
endif()

# The prefix given to the install, not the configured one, chooses the rule's folder: /usr
# puts it beside the distribution's rules.
file(REMOVE_RECURSE "${STAGE}")
execute_process(COMMAND ${CMAKE_COMMAND} -E env DESTDIR=${STAGE}
                        ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix /usr
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cmake --install --prefix /usr failed: ${result}")
endif()
if(NOT EXISTS "${STAGE}/usr/lib/udev/rules.d/70-kestrel.rules" OR EXISTS "${STAGE}/etc")
    message(FATAL_ERROR "with the prefix /usr the rule is not in /usr/lib/udev/rules.d alone")
endif()
file(REMOVE_RECURSE "${STAGE}")
