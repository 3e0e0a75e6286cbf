# SPDX-License-Identifier: MIT
# cmake -DPROGRAM=quillon.exe -P check_manifest.cmake: the window's manifest asks for
# per-monitor DPI awareness and common controls 6, and for no execution level (which would turn
# off the file virtualization the shared settings file relies on).
file(STRINGS ${PROGRAM} manifest REGEX "requestedExecutionLevel|PerMonitorV2|Common-Controls")
foreach(wanted PerMonitorV2 Common-Controls)
    if(NOT manifest MATCHES "${wanted}")
        message(FATAL_ERROR "${PROGRAM}: the manifest lacks ${wanted}")
    endif()
endforeach()
if(manifest MATCHES "requestedExecutionLevel")
    message(FATAL_ERROR "${PROGRAM}: the manifest asks for an execution level")
endif()
