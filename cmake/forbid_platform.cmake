# qch_forbid_platform(<target> <module>)
# Makes any include of a platform header from <target>'s own sources a
# compile error. A shadow folder, generated at configure time, holds one
# header for each header name under src/platform/ (the interfaces, and the
# simulated desktop's headers in all its subfolders) that only
# says `#error "<module> must not use the platform layer"`; it is searched
# before every other include folder of the target, so both "platform/x.h"
# and <platform/x.h> find the shadow first. Users of the target are not
# affected (the folder is PRIVATE).
function(qch_forbid_platform target module)
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    return()  # no sources of its own yet
  endif()
  set(src ${PROJECT_SOURCE_DIR}/src)
  set(shadow ${CMAKE_BINARY_DIR}/forbid_platform/${module})
  file(GLOB headers RELATIVE ${src} CONFIGURE_DEPENDS ${src}/platform/*.h)
  file(GLOB_RECURSE sim_headers RELATIVE ${src} CONFIGURE_DEPENDS
       ${src}/platform/sim/*.h)
  list(APPEND headers ${sim_headers})
  foreach(header ${headers})
    file(CONFIGURE OUTPUT ${shadow}/${header}
         CONTENT "#error \"${module} must not use the platform layer\"\n")
  endforeach()
  target_include_directories(${target} BEFORE PRIVATE ${shadow})
endfunction()
