# Installs one control library for other programs to build on:
#   COMPONENT <lib>        the versioned shared library (lib<name>.so.1 and its file)
#   COMPONENT <lib>-dev    headers, the unversioned development link, the CMake
#                          package files and the pkg-config file
# with <lib> = lib<target><soversion> and <lib>-dev = lib<target>-dev.
#
# kaymor_install_control_library(<target>
#   PACKAGE <CMake package name>          e.g. Corvel: find_package(Corvel) -> Corvel::Corvel
#   DESCRIPTION <one line for pkg-config>
#   QT_COMPONENTS <Qt 6 modules the headers use>)
include(CMakePackageConfigHelpers)

function(kaymor_install_control_library target)
  cmake_parse_arguments(L "" "PACKAGE;DESCRIPTION" "QT_COMPONENTS" ${ARGN})
  get_target_property(_soversion ${target} SOVERSION)
  set(_runtime lib${target}${_soversion})
  set(_dev lib${target}-dev)
  set(_cmakedir ${CMAKE_INSTALL_LIBDIR}/cmake/${L_PACKAGE})

  install(TARGETS ${target} EXPORT ${L_PACKAGE}Targets
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT ${_runtime}
            NAMELINK_COMPONENT ${_dev}
    PUBLIC_HEADER DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/${target} COMPONENT ${_dev})
  install(EXPORT ${L_PACKAGE}Targets NAMESPACE ${L_PACKAGE}:: DESTINATION ${_cmakedir}
          COMPONENT ${_dev})

  # <Package>Config.cmake finds the Qt modules the headers need, then the target.
  set(_config ${CMAKE_CURRENT_BINARY_DIR}/${L_PACKAGE}Config.cmake)
  list(JOIN L_QT_COMPONENTS " " _qt)
  file(WRITE ${_config}
    "include(CMakeFindDependencyMacro)\n"
    "find_dependency(Qt6 COMPONENTS ${_qt})\n"
    "include(\"\${CMAKE_CURRENT_LIST_DIR}/${L_PACKAGE}Targets.cmake\")\n")
  # Any 1.x satisfies a request for 1.y with y not above the library's minor.
  write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/${L_PACKAGE}ConfigVersion.cmake
    VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
  install(FILES ${_config} ${CMAKE_CURRENT_BINARY_DIR}/${L_PACKAGE}ConfigVersion.cmake
          DESTINATION ${_cmakedir} COMPONENT ${_dev})

  # The pkg-config file names the prefix it is installed under, which
  # `cmake --install --prefix` may choose: it is written at install time.
  set(_requires)
  foreach(_m IN LISTS L_QT_COMPONENTS)
    list(APPEND _requires Qt6${_m})
  endforeach()
  list(JOIN _requires " " _requires)
  install(CODE "
    set(_pc \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR}/pkgconfig/${target}.pc\")
    message(STATUS \"Installing: \${_pc}\")
    file(WRITE \"\${_pc}\" \"prefix=\${CMAKE_INSTALL_PREFIX}
libdir=\\\${prefix}/${CMAKE_INSTALL_LIBDIR}
includedir=\\\${prefix}/${CMAKE_INSTALL_INCLUDEDIR}

Name: ${target}
Description: ${L_DESCRIPTION}
Version: ${PROJECT_VERSION}
Requires: ${_requires}
Libs: -L\\\${libdir} -l${target}
Cflags: -I\\\${includedir}
\")" COMPONENT ${_dev})
endfunction()
