# cmake -DBUILD=<build> -DPREFIX=<folder> -DAPP_ID=<id> -DVERSION=<x.y.z> -DSOURCE=<tree> -P check_install.cmake
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${PREFIX}
                RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "cmake --install failed (${rc})")
endif()

set(expected
    bin/vorlith
    bin/vorlith-lobby
    share/applications/${APP_ID}.desktop
    share/applications/${APP_ID}.lobby.desktop
    share/metainfo/${APP_ID}.metainfo.xml
    share/icons/hicolor/scalable/apps/${APP_ID}.svg
    share/icons/hicolor/48x48/apps/${APP_ID}.png
    share/icons/hicolor/128x128/apps/${APP_ID}.png
    share/icons/hicolor/256x256/apps/${APP_ID}.png
    share/man/man6/vorlith.6
    share/man/man6/vorlith-lobby.6
    share/doc/vorlith/copyright)
foreach(f ${expected})
    if(NOT EXISTS ${PREFIX}/${f})
        message(SEND_ERROR "not installed: ${f}")
    endif()
endforeach()

# The three files name one another by the id.
file(READ ${PREFIX}/share/applications/${APP_ID}.desktop desktop)
file(READ ${PREFIX}/share/metainfo/${APP_ID}.metainfo.xml metainfo)
if(NOT desktop MATCHES "\nIcon=${APP_ID}\n" OR NOT desktop MATCHES "\nCategories=Game;BoardGame;\n")
    message(SEND_ERROR "the desktop entry does not name the icon ${APP_ID} or the game categories")
endif()
if(NOT metainfo MATCHES "<id>${APP_ID}</id>" OR NOT metainfo MATCHES "<launchable type=\"desktop-id\">${APP_ID}.desktop<"
   OR NOT metainfo MATCHES "<release version=\"${VERSION}\"")
    message(SEND_ERROR "the metadata does not name ${APP_ID}, its desktop entry or release ${VERSION}")
endif()

# Every screenshot the metadata shows is a picture of docs/.
string(REGEX MATCHALL "docs/[^<]+</image>" shots "${metainfo}")
if(NOT shots)
    message(SEND_ERROR "the metadata shows no screenshot")
endif()
foreach(shot ${shots})
    string(REPLACE "</image>" "" shot "${shot}")
    if(NOT EXISTS ${SOURCE}/${shot})
        message(SEND_ERROR "the metadata shows ${shot}, which is not in the tree")
    endif()
endforeach()

foreach(tool desktop-file-validate appstreamcli)
    find_program(${tool}_path ${tool})
    if(NOT ${tool}_path)
        message(FATAL_ERROR "${tool} is missing: tools/deps.sh installs it")
    endif()
endforeach()
foreach(entry ${APP_ID} ${APP_ID}.lobby)
    execute_process(COMMAND ${desktop-file-validate_path} ${PREFIX}/share/applications/${entry}.desktop
                    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
    if(NOT rc EQUAL 0 OR NOT out STREQUAL "")
        message(SEND_ERROR "desktop-file-validate ${entry}: ${out}")
    endif()
endforeach()
execute_process(COMMAND ${appstreamcli_path} validate --no-net --pedantic ${PREFIX}/share/metainfo/${APP_ID}.metainfo.xml
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0)
    message(SEND_ERROR "appstreamcli validate: ${out}")
endif()

execute_process(COMMAND ${PREFIX}/bin/vorlith-lobby --version RESULT_VARIABLE rc OUTPUT_VARIABLE out)
if(NOT rc EQUAL 0 OR NOT out STREQUAL "vorlith-lobby ${VERSION}\n")
    message(SEND_ERROR "installed vorlith-lobby --version gave '${out}' (${rc})")
endif()
execute_process(COMMAND ${PREFIX}/bin/vorlith --version RESULT_VARIABLE rc OUTPUT_VARIABLE out)
if(NOT rc EQUAL 0 OR NOT out STREQUAL "vorlith ${VERSION}\n")
    message(SEND_ERROR "installed vorlith --version gave '${out}' (${rc})")
endif()
