# The dependency rule refuses what it must: run over a copy of src/ with one
# include added that breaks it, the rule fails and names the file and the
# folder or layer. Each case starts from a clean copy.
#
# Run as a test: cmake -DSRC=<src> -DRULE=<dependency_rule.cmake> -DWORK=<dir> -P refuses.cmake
cmake_minimum_required(VERSION 3.25)

function(expect_refused file include message_part)
  file(REMOVE_RECURSE ${WORK}/src)
  file(COPY ${SRC}/ DESTINATION ${WORK}/src)
  file(APPEND ${WORK}/src/${file} "#include \"${include}\"\n")
  execute_process(COMMAND ${CMAKE_COMMAND} -DSRC=${WORK}/src -P ${RULE}
                  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(status EQUAL 0)
    message(FATAL_ERROR "src/${file} including ${include}: the rule let it through")
  endif()
  # CMake folds long messages: compare with the white space collapsed.
  string(REGEX REPLACE "[ \t\r\n]+" " " said "${out}${err}")
  string(FIND "${said}" "${message_part}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "src/${file} including ${include}: refused, but not for it:\n${err}")
  endif()
  message(STATUS "refused: src/${file} including ${include}")
endfunction()

# A folder reaching a folder it may not use.
expect_refused(json/write.cc "platform/cf.h"
               "src/json/write.cc: includes platform/")
# Each layer of the simulated desktop reaching a layer above it.
expect_refused(platform/sim/model/object.cc "platform/sim/drive/taps.h"
               "src/platform/sim/model/object.cc: includes platform/sim/drive/, a layer above model/")
expect_refused(platform/sim/model/state.h "platform/sim/api/carbon.h"
               "includes platform/sim/api/, a layer above model/")
expect_refused(platform/sim/drive/taps.cc "platform/sim/api/carbon.h"
               "src/platform/sim/drive/taps.cc: includes platform/sim/api/, a layer above drive/")
# A new folder of the simulated desktop outside the layers.
file(REMOVE_RECURSE ${WORK}/src)
file(COPY ${SRC}/ DESTINATION ${WORK}/src)
file(MAKE_DIRECTORY ${WORK}/src/platform/sim/extra)
execute_process(COMMAND ${CMAKE_COMMAND} -DSRC=${WORK}/src -P ${RULE}
                RESULT_VARIABLE status ERROR_VARIABLE err)
if(status EQUAL 0 OR NOT err MATCHES "platform/sim/extra: not a layer")
  message(FATAL_ERROR "a folder outside the layers was let through:\n${err}")
endif()
# The copy itself keeps to the rule (so each refusal above is the include's).
file(REMOVE_RECURSE ${WORK}/src)
file(COPY ${SRC}/ DESTINATION ${WORK}/src)
execute_process(COMMAND ${CMAKE_COMMAND} -DSRC=${WORK}/src -P ${RULE}
                RESULT_VARIABLE status ERROR_VARIABLE err)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the unchanged copy breaks the rule:\n${err}")
endif()
file(REMOVE_RECURSE ${WORK}/src)
