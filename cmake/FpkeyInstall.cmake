# What a host developer gets from an installed tree: pkg-config files and a
# CMake package (find_package(fpdevice)) for the libraries, both relocatable.
include(CMakePackageConfigHelpers)

file(RELATIVE_PATH FPKEY_PC_TO_PREFIX ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_PREFIX})
string(REGEX REPLACE "/$" "" FPKEY_PC_TO_PREFIX "${FPKEY_PC_TO_PREFIX}")

# fpkey_install_pkgconfig(NAME DESCRIPTION LIBS LIBS_PRIVATE)
function(fpkey_install_pkgconfig name description libs libs_private)
  set(FPKEY_PC_NAME ${name})
  set(FPKEY_PC_DESCRIPTION ${description})
  set(FPKEY_PC_LIBS ${libs})
  set(FPKEY_PC_LIBS_PRIVATE ${libs_private})
  configure_file(${PROJECT_SOURCE_DIR}/cmake/pkgconfig.pc.in ${PROJECT_BINARY_DIR}/pkgconfig/${name}.pc @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/pkgconfig/${name}.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig
          COMPONENT development)
endfunction()

fpkey_install_pkgconfig(fpdevice "Device API and image library of the fpkey USB fingerprint key" "-lfpdevice"
                        "-lhxkmgr -ldl -lm")
fpkey_install_pkgconfig(hxkmgr "Key manager of the fpkey USB fingerprint key (HXKeyOpen, HXKeyClose)" "-lhxkmgr" "")
if(TARGET authdlg)
  fpkey_install_pkgconfig(authdlg "Login dialog of the fpkey USB fingerprint key (HXLoginVerify)" "-lauthdlg" "")
endif()

set(FPKEY_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/fpdevice)
install(EXPORT fpdeviceTargets NAMESPACE fpdevice:: DESTINATION ${FPKEY_CMAKE_DIR} COMPONENT development)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/fpdeviceConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/cmake/fpdeviceConfig.cmake INSTALL_DESTINATION ${FPKEY_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/cmake/fpdeviceConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/cmake/fpdeviceConfig.cmake ${PROJECT_BINARY_DIR}/cmake/fpdeviceConfigVersion.cmake
        DESTINATION ${FPKEY_CMAKE_DIR} COMPONENT development)
