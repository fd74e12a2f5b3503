# The Windows build's own part, included by the top CMakeLists.txt: the dependencies' DLLs beside
# the programs, so that they start from the build folder.
file(GLOB WINDOWS_DLLS ${DEMOHOST_WINDOWS_SYSROOT}/bin/*.dll)
foreach(dll ${WINDOWS_DLLS})
  configure_file(${dll} ${CMAKE_BINARY_DIR} COPYONLY)
endforeach()
