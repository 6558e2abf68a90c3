# cmake -DBUILD_DIR=<build> -DPREFIX=<scratch> -DLIBDIR=<libdir> -P CheckInstallLayout.cmake
cmake_policy(VERSION 3.24)
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX} RESULT_VARIABLE result
                OUTPUT_QUIET)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cmake --install failed: ${result}")
endif()

set(id io.github.pacemark.Pacemark)
set(expected bin/pacemark share/applications/${id}.desktop share/metainfo/${id}.metainfo.xml
    share/icons/hicolor/scalable/apps/${id}.svg share/man/man1/pacemark.1.gz share/doc/pacemark/copyright
    share/doc/pacemark/changelog.gz ${LIBDIR}/pacemark/pacemark-gui.so)
foreach(size 16 24 32 48 64 128 256 512)
    list(APPEND expected share/icons/hicolor/${size}x${size}/apps/${id}.png)
endforeach()
foreach(path ${expected})
    if(NOT EXISTS ${PREFIX}/${path})
        message(FATAL_ERROR "not installed: ${path}")
    endif()
endforeach()

# The installed executable finds the application module beside it.
execute_process(COMMAND ${PREFIX}/bin/pacemark --version RESULT_VARIABLE result OUTPUT_VARIABLE version
                ERROR_VARIABLE error)
if(NOT result EQUAL 0 OR NOT version MATCHES "^pacemark ")
    message(FATAL_ERROR "the installed pacemark does not start: ${result} ${error}")
endif()

# The entry starts the installed binary by name and names the installed icon.
file(STRINGS ${PREFIX}/share/applications/${id}.desktop entry)
foreach(line "Exec=pacemark" "Icon=${id}" "Type=Application")
    if(NOT line IN_LIST entry)
        message(FATAL_ERROR "the desktop entry lacks ${line}")
    endif()
endforeach()

file(READ ${PREFIX}/share/metainfo/${id}.metainfo.xml metainfo)
foreach(fragment "<id>${id}</id>" "<launchable type=\"desktop-id\">${id}.desktop</launchable>"
        "<binary>pacemark</binary>" "<release version=\"")
    string(FIND "${metainfo}" "${fragment}" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "the metainfo lacks ${fragment}")
    endif()
endforeach()
string(FIND "${metainfo}" "@PROJECT_VERSION@" unset)
if(NOT unset EQUAL -1)
    message(FATAL_ERROR "the metainfo's release version was not filled in")
endif()
