# What `cmake --install` puts where (docs/packaging.md says why).
#
# Linux, GNUInstallDirs:
#   include/tarnixdrv.h
#   <libdir>/tarnixdrv/       libtarnixdrv.so, the simulator's libPvAPI.so, libtarnixui_wx.so
#   <libdir>/tarnixdrv/gige/  the same driver and module beside the Aravis libPvAPI.so
#   <libdir>/cmake/tarnixdrv/ and <libdir>/pkgconfig/tarnixdrv.pc, for hosts to build against
#   bin/camhost, bin/lutgen
# Windows: bin/ with tarnixdrv.dll, PvAPI.dll, camhost.exe and lutgen.exe, and include/.
#
# The driver finds its SDK and its UI module in its own folder, so it is installed nowhere
# else (no link in a public library folder: a driver loaded through one would look for its
# SDK there). Hosts that link it carry the private folder as their run-time search path.

install(FILES ${PROJECT_SOURCE_DIR}/include/tarnixdrv.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

if(WIN32)
  # Hosts load the DLL by name at run time, as the header describes: no import libraries.
  install(TARGETS tarnixdrv PvAPI camhost lutgen
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} EXCLUDE_FROM_ALL)
  return()
endif()

install(TARGETS tarnixdrv EXPORT tarnixdrvTargets
  LIBRARY DESTINATION ${TARNIX_INSTALL_DRIVERDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(TARGETS PvAPI LIBRARY DESTINATION ${TARNIX_INSTALL_DRIVERDIR})
if(TARGET tarnixui_wx)
  install(TARGETS tarnixui_wx LIBRARY DESTINATION ${TARNIX_INSTALL_DRIVERDIR})
endif()
install(TARGETS camhost lutgen RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# The GigE Vision SDK: a folder of its own with a copy of the driver (and of the module), so
# that the driver loaded from there finds that SDK beside itself.
if(TARGET PvAPI_gige)
  install(TARGETS PvAPI_gige tarnixdrv LIBRARY DESTINATION ${TARNIX_INSTALL_DRIVERDIR}/gige)
  if(TARGET tarnixui_wx)
    install(TARGETS tarnixui_wx LIBRARY DESTINATION ${TARNIX_INSTALL_DRIVERDIR}/gige)
  endif()
endif()

# find_package(tarnixdrv): the imported target tarnixdrv::tarnixdrv. Every path in these files
# is relative to where they are installed, so the tree can be moved as a whole.
include(CMakePackageConfigHelpers)
set(config_dir ${CMAKE_INSTALL_LIBDIR}/cmake/tarnixdrv)
install(EXPORT tarnixdrvTargets NAMESPACE tarnixdrv:: DESTINATION ${config_dir})
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/tarnixdrvConfig.cmake.in
  ${PROJECT_BINARY_DIR}/tarnixdrvConfig.cmake
  INSTALL_DESTINATION ${config_dir}
  PATH_VARS TARNIX_INSTALL_DRIVERDIR)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/tarnixdrvConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/tarnixdrvConfig.cmake
  ${PROJECT_BINARY_DIR}/tarnixdrvConfigVersion.cmake DESTINATION ${config_dir})

# pkg-config: the prefix is found from the .pc file's own folder, for the same reason.
file(RELATIVE_PATH pc_to_prefix ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_PREFIX})
string(REGEX REPLACE "/$" "" pc_to_prefix "${pc_to_prefix}")
configure_file(${CMAKE_CURRENT_LIST_DIR}/tarnixdrv.pc.in ${PROJECT_BINARY_DIR}/tarnixdrv.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/tarnixdrv.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
