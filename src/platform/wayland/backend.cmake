# Wayland on Linux: the idle protocols, their client code generated at build time from the protocol
# files Debian ships.
glimmerdale_platform_backend(LINUX LIBS PkgConfig::WAYLAND_CLIENT)
if(NOT platform_backend_built)
  return()
endif()
set(wayland_protocols ext-idle-notify-v1=${WAYLAND_PROTOCOLS_DIR}/staging/ext-idle-notify/ext-idle-notify-v1.xml
                      kde-idle=${PLASMA_WAYLAND_PROTOCOLS_DIR}/idle.xml)
set(wayland_generated ${CMAKE_CURRENT_BINARY_DIR}/wayland)
foreach(protocol ${wayland_protocols})
  string(REPLACE "=" ";" protocol ${protocol})
  list(GET protocol 0 name)
  list(GET protocol 1 xml)
  add_custom_command(
    OUTPUT ${wayland_generated}/${name}-client-protocol.h ${wayland_generated}/${name}-protocol.c
    COMMAND ${CMAKE_COMMAND} -E make_directory ${wayland_generated}
    COMMAND ${WAYLAND_SCANNER} client-header ${xml} ${wayland_generated}/${name}-client-protocol.h
    COMMAND ${WAYLAND_SCANNER} private-code ${xml} ${wayland_generated}/${name}-protocol.c
    DEPENDS ${xml} VERBATIM)
  target_sources(gd_platform PRIVATE ${wayland_generated}/${name}-client-protocol.h
                 ${wayland_generated}/${name}-protocol.c)
endforeach()
target_include_directories(gd_platform PRIVATE ${wayland_generated})
