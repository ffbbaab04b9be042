# cmake -DSOURCE=... -DBINARY=... -DVERSION=... -P stage.cmake
# Lays out BINARY/source (build_mex.m, src/ and the m-files, as in
# dist/lowrank without its modules) and the Octave package
# BINARY/lowrank-VERSION.tar.gz.
set(tools dorvik halmet sunwick talvery quorvel)
set(source ${BINARY}/source)
set(package ${BINARY}/package/lowrank)
file(REMOVE_RECURSE ${source} ${BINARY}/package)
file(MAKE_DIRECTORY ${source}/src ${package}/src/help)

foreach(tool IN LISTS tools)
  file(COPY ${SOURCE}/tools/${tool}.cpp DESTINATION ${source}/src)
  file(COPY ${SOURCE}/tools/${tool}.cpp DESTINATION ${package}/src)
  file(COPY ${SOURCE}/help/${tool}.m DESTINATION ${package}/src/help)
endforeach()
# The toolbox's m-files install as they are, their helpers in private/.
file(GLOB toolboxFiles ${SOURCE}/toolbox/*.m)
# The contents, which help shows for a folder named lowrank on the path
# (as dist/lowrank is), are also lowrank.m in the package, whose folder
# is named after the version.
file(COPY ${toolboxFiles} ${SOURCE}/toolbox/private DESTINATION ${package}/inst)
file(COPY_FILE ${SOURCE}/help/Contents.m ${package}/inst/lowrank.m)
file(COPY ${SOURCE}/NEWS DESTINATION ${package})
file(COPY ${SOURCE}/gateway/lowrank_mex.h DESTINATION ${source}/src)
file(COPY ${SOURCE}/gateway/lowrank_mex.h DESTINATION ${package}/src)
file(GLOB helpFiles ${SOURCE}/help/*.m)
file(COPY ${SOURCE}/packaging/build_mex.m ${helpFiles} ${toolboxFiles} ${SOURCE}/toolbox/private
     DESTINATION ${source})

set(PROJECT_VERSION ${VERSION})
configure_file(${SOURCE}/packaging/DESCRIPTION.in ${package}/DESCRIPTION @ONLY)
configure_file(${SOURCE}/packaging/Makefile.package ${package}/src/Makefile COPYONLY)
configure_file(${SOURCE}/packaging/INDEX ${package}/INDEX COPYONLY)
configure_file(${SOURCE}/LICENSE ${package}/COPYING COPYONLY)

execute_process(COMMAND ${CMAKE_COMMAND} -E tar czf ${BINARY}/lowrank-${VERSION}.tar.gz lowrank
                WORKING_DIRECTORY ${BINARY}/package RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "could not pack the Octave package")
endif()
