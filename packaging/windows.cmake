# SPDX-License-Identifier: MIT
# The Windows package: a ZIP of both programs, the README and the licence, in one folder that
# is put anywhere (for example beside the host) and run from there.
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION .)
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME quillon)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME quillon-${PROJECT_VERSION}-win32)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/package)
include(CPack)

# The Windows installer (MSI), built with wixl from msitools: per-machine into Program Files,
# Start-menu shortcuts for the window and the README, an uninstall entry, and an upgrade that
# replaces an older version in place. Signing would go here: signtool (or osslsigncode) on
# each .exe before wixl packs them, then on quillon-<version>.msi.
find_program(QUILLON_WIXL wixl)
if(QUILLON_WIXL)
    set(msi_stage ${PROJECT_BINARY_DIR}/msi)
    set(QUILLON_MSI ${PROJECT_BINARY_DIR}/package/quillon-${PROJECT_VERSION}.msi)
    add_custom_command(OUTPUT ${QUILLON_MSI}
        COMMAND ${CMAKE_COMMAND} -E rm -rf ${msi_stage}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${msi_stage} ${PROJECT_BINARY_DIR}/package
        COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:quillon> $<TARGET_FILE:quillon-headless>
            $<TARGET_FILE:quillon-replay> ${PROJECT_SOURCE_DIR}/README.md
            ${PROJECT_SOURCE_DIR}/LICENSE ${PROJECT_BINARY_DIR}/src/programs/quillon.ico
            ${PROJECT_SOURCE_DIR}/packaging/quillon.wxs ${msi_stage}
        COMMAND ${CMAKE_COMMAND} -E chdir ${msi_stage} ${QUILLON_WIXL} --arch x86
            --define Version=${PROJECT_VERSION} --output ${QUILLON_MSI} quillon.wxs
        DEPENDS quillon quillon-headless quillon-replay quillon_icon
            ${PROJECT_SOURCE_DIR}/packaging/quillon.wxs ${PROJECT_SOURCE_DIR}/README.md
            ${PROJECT_SOURCE_DIR}/LICENSE
        COMMENT "Making quillon-${PROJECT_VERSION}.msi")
    add_custom_target(msi ALL DEPENDS ${QUILLON_MSI})
else()
    message(STATUS "No wixl (Debian package wixl): no MSI installer")
endif()
