# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the build into a scratch prefix and checks that the programs, help pages, launcher
# entry, AppStream description, icons and manual pages are all where they are looked for.
# Run with -DBUILD_DIR= -DPREFIX= -DAPP_ID= -DBINDIR= -DDATADIR= -DMANDIR= -DMANEXT= -P
# (MANEXT: .gz when the manual pages are compressed).
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
    RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cmake --install failed: ${result}")
endif()

set(expected
    ${BINDIR}/kel-editor ${BINDIR}/kelmap ${BINDIR}/kel-device-sim
    ${DATADIR}/kel-editor/help/index_e.htm ${DATADIR}/kel-editor/help/index_j.htm
    ${DATADIR}/applications/${APP_ID}.desktop ${DATADIR}/metainfo/${APP_ID}.metainfo.xml
    ${DATADIR}/icons/hicolor/scalable/apps/${APP_ID}.svg
    ${MANDIR}/man1/kel-editor.1${MANEXT} ${MANDIR}/man1/kelmap.1${MANEXT}
    ${MANDIR}/man1/kel-device-sim.1${MANEXT})
foreach(size 16 22 24 32 48 64 128 256)
    list(APPEND expected ${DATADIR}/icons/hicolor/${size}x${size}/apps/${APP_ID}.png)
endforeach()

set(missing)
foreach(path ${expected})
    if(NOT EXISTS ${PREFIX}/${path})
        list(APPEND missing ${path})
    endif()
endforeach()
# Nothing but programs in bin: a help/ there would shadow the installed pages.
file(GLOB extra RELATIVE ${PREFIX}/${BINDIR} ${PREFIX}/${BINDIR}/*)
list(REMOVE_ITEM extra kel-editor kelmap kel-device-sim)
file(REMOVE_RECURSE ${PREFIX})
if(missing OR extra)
    message(FATAL_ERROR "missing after install: ${missing}; unexpected in ${BINDIR}: ${extra}")
endif()
list(LENGTH expected count)
message(STATUS "${count} installed files where expected")
