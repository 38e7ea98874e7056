# Installs into a scratch prefix and checks that every installed piece is where desktops look.
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cmake --install failed: ${result}")
endif()
foreach(path bin/tessaly lib/tessaly/tessaly-reader share/applications/tessaly.desktop
             share/icons/hicolor/scalable/apps/tessaly.svg)
    if(NOT EXISTS ${PREFIX}/${path})
        message(FATAL_ERROR "not installed: ${path}")
    endif()
endforeach()
# The installed program finds its reader process beside it: --all-formats reads an OBJ file.
file(MAKE_DIRECTORY ${PREFIX}/run/VRMLmodels)
file(WRITE ${PREFIX}/run/VRMLmodels/t.obj "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n")
execute_process(COMMAND ${PREFIX}/bin/tessaly --all-formats --list-models
                WORKING_DIRECTORY ${PREFIX}/run OUTPUT_VARIABLE listed RESULT_VARIABLE result)
if(NOT result EQUAL 0 OR NOT listed STREQUAL "1\tt.obj\t3\t1\t\n")
    message(FATAL_ERROR "the installed program did not read through its reader process: ${listed}")
endif()
file(REMOVE_RECURSE ${PREFIX})
