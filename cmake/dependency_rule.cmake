# The dependency rule between the source folders of src/, written down once.
#
#   <folder>  the folders its sources may include besides its own
#
# The pure logic (stream, unicode, json, screen_text) never reaches the
# platform layer; only the platform halves and the frontmost operations do.
# Test sources (*_test.cc, *test*.h) may include anything.
#
# Run as a test: cmake -DSRC=<src> -P dependency_rule.cmake
cmake_minimum_required(VERSION 3.25)
set(rule_stream "")
set(rule_unicode "")
set(rule_json "stream")
set(rule_screen_text "unicode")
set(rule_platform "json;stream;unicode")
set(rule_macos "platform;json;unicode")
set(rule_macos_screen "screen_text;macos;platform;json;unicode")
set(rule_dictation "macos_screen;macos;platform;json;unicode;stream")
set(rule_annotate "dictation;macos;platform;json;unicode;stream")
set(rule_inspect "json;unicode;stream")
set(rule_main "dictation;annotate;inspect;json;unicode;stream")
set(rule_selfcheck "macos_screen;macos;platform;json;unicode")
set(rule_e2e "macos_screen;macos;platform;json;unicode")

# Layers inside a folder, highest first: the sources of each layer may
# include their own layer and those after it, never one before it. Other
# subfolders of a layered folder (testing/: the fixture of in-process tests)
# may include any layer.
#
#   platform/sim  api    the frameworks' calls the helper makes, one file per
#                        framework
#                 drive  the running desktop: run loops, event taps and the
#                        delivery of input, the event side's state, the
#                        control FIFO, the script and the actions
#                 model  the desktop at rest: its file, data, objects and
#                        values, keyboard layouts, permissions, the clocks,
#                        the effects log and the ownership audit
set(layered_folders "platform/sim")
set(layers_platform/sim "api;drive;model")
set(unlayered_platform/sim "testing")

if(DEFINED SRC)
  get_filename_component(SRC "${SRC}" ABSOLUTE)
endif()
if(NOT DEFINED SRC)
  message(FATAL_ERROR "usage: cmake -DSRC=<src folder> -P dependency_rule.cmake")
endif()
file(GLOB folders RELATIVE ${SRC} ${SRC}/*)
set(broken 0)
foreach(folder ${folders})
  if(NOT IS_DIRECTORY ${SRC}/${folder})
    continue()
  endif()
  if(NOT DEFINED rule_${folder})
    message(SEND_ERROR "src/${folder}: no rule for this folder in dependency_rule.cmake")
    set(broken 1)
    continue()
  endif()
  set(allowed ${folder} ${rule_${folder}})
  file(GLOB_RECURSE sources RELATIVE ${SRC} ${SRC}/${folder}/*.h ${SRC}/${folder}/*.cc)
  foreach(source ${sources})
    get_filename_component(name ${source} NAME)
    if(name MATCHES "_test\\.cc$" OR name MATCHES "test.*\\.h$")
      continue()
    endif()
    file(STRINGS ${SRC}/${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]+\"[^\"/]+/")
    foreach(line ${includes})
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]+\"([^\"/]+)/.*" "\\1" target "${line}")
      if(IS_DIRECTORY ${SRC}/${target} AND NOT target IN_LIST allowed)
        message(SEND_ERROR "src/${source}: includes ${target}/, which ${folder}/ may not use")
        set(broken 1)
      endif()
    endforeach()
  endforeach()
endforeach()
foreach(parent ${layered_folders})
  set(layers ${layers_${parent}})
  file(GLOB subfolders LIST_DIRECTORIES true RELATIVE ${SRC}/${parent} ${SRC}/${parent}/*)
  foreach(sub ${subfolders})
    if(IS_DIRECTORY ${SRC}/${parent}/${sub} AND NOT sub IN_LIST layers
       AND NOT sub IN_LIST unlayered_${parent})
      message(SEND_ERROR "src/${parent}/${sub}: not a layer of ${parent}/ in dependency_rule.cmake")
      set(broken 1)
    endif()
  endforeach()
  foreach(layer ${layers})
    list(FIND layers ${layer} rank)
    file(GLOB_RECURSE sources RELATIVE ${SRC} ${SRC}/${parent}/${layer}/*.h
         ${SRC}/${parent}/${layer}/*.cc)
    foreach(source ${sources})
      get_filename_component(name ${source} NAME)
      if(name MATCHES "_test\\.cc$" OR name MATCHES "test.*\\.h$")
        continue()
      endif()
      file(STRINGS ${SRC}/${source} includes
           REGEX "^[ \t]*#[ \t]*include[ \t]+\"${parent}/[^\"/]+/")
      foreach(line ${includes})
        string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]+\"${parent}/([^\"/]+)/.*"
               "\\1" target "${line}")
        list(FIND layers ${target} target_rank)
        if(target_rank GREATER_EQUAL 0 AND target_rank LESS rank)
          message(SEND_ERROR "src/${source}: includes ${parent}/${target}/, a layer above ${layer}/")
          set(broken 1)
        endif()
      endforeach()
    endforeach()
  endforeach()
endforeach()

if(broken)
  message(FATAL_ERROR "the dependency rule is broken")
endif()
message(STATUS "dependency rule: every include of src/ keeps to it")
