# Debian packages (cpack -G DEB in a build configured with
# -DCMAKE_INSTALL_PREFIX=/usr): one per install component.
#   libfpdevice1     runtime    the libraries and the dialog's translations
#   fpkey-tools      tools      fpkey, fpimage, fplogin, manual pages, completion
#   libfpdevice-dev  development headers, pkg-config files, CMake package
#   libpam-fpkey     pam        the PAM module
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME fpkey)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "fpkey developers <fpkey@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "host middleware of a USB fingerprint key")
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Our own libraries are found in the build tree; the packages name each other.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${PROJECT_BINARY_DIR}/lib)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_COMPONENTS_ALL runtime tools development)
if(TARGET pam_fpkey)
  list(APPEND CPACK_COMPONENTS_ALL pam)
endif()

set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME libfpdevice1)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/packaging/triggers)
# The key manager loads libpcsclite at run time to reach keys behind pcscd.
set(CPACK_DEBIAN_RUNTIME_PACKAGE_RECOMMENDS "libpcsclite1, pcscd")
set(CPACK_COMPONENT_RUNTIME_DESCRIPTION
    "USB fingerprint key: device API, image library and login dialog\n"
    "libfpdevice talks to a USB fingerprint key (a smart-card token with its own\n"
    "sensor and matcher) and analyses fingerprint images; libauthdlg verifies the\n"
    "key's owner in a Qt dialog; libhxkmgr and libhxpkcs reach the key, or a\n"
    "simulated one, through PC/SC.")

set(CPACK_DEBIAN_TOOLS_PACKAGE_NAME fpkey-tools)
set(CPACK_DEBIAN_TOOLS_PACKAGE_SECTION utils)
set(CPACK_COMPONENT_TOOLS_DEPENDS runtime)
set(CPACK_COMPONENT_TOOLS_DESCRIPTION
    "USB fingerprint key: command-line tools\n"
    "fpkey enrols, verifies and identifies fingers on the key and drives the\n"
    "simulated key; fpimage analyses fingerprint images; fplogin runs the login\n"
    "dialog.")

set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libfpdevice-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_COMPONENT_DEVELOPMENT_DEPENDS runtime)
set(CPACK_COMPONENT_DEVELOPMENT_DESCRIPTION
    "USB fingerprint key: development files\n"
    "Headers, pkg-config files and the CMake package (find_package(fpdevice)) for\n"
    "host applications of the fingerprint key.")

set(CPACK_DEBIAN_PAM_PACKAGE_NAME libpam-fpkey)
set(CPACK_DEBIAN_PAM_PACKAGE_SECTION admin)
set(CPACK_COMPONENT_PAM_DEPENDS runtime)
set(CPACK_COMPONENT_PAM_DESCRIPTION
    "USB fingerprint key: PAM module\n"
    "pam_fpkey logs a user in with the fingerprint key mapped to them, by finger\n"
    "or PIN as the key's verify mode says.")

# Every package carries its copyright and changelog, as Debian wants them.
foreach(component IN LISTS CPACK_COMPONENTS_ALL)
  string(TOUPPER ${component} upper)
  set(FPKEY_DEB_PACKAGE ${CPACK_DEBIAN_${upper}_PACKAGE_NAME})
  set(doc ${PROJECT_BINARY_DIR}/packaging/${FPKEY_DEB_PACKAGE})
  configure_file(${PROJECT_SOURCE_DIR}/packaging/changelog.in ${doc}/changelog.Debian @ONLY)
  execute_process(COMMAND gzip -9nf ${doc}/changelog.Debian)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${doc}/changelog.Debian.gz
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${FPKEY_DEB_PACKAGE} COMPONENT ${component})
endforeach()

include(CPack)
