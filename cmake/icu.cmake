# qch_icu: ICU's common library for whoever links it.
#
# Apple: the system ICU, libicucore, compiled against the SDK's public
# unicode/ headers (its names are not renamed by version).
#
# Elsewhere, Debian's ICU: a program whose target property QCH_STATIC_ICU is
# true gets the static archives (libicuuc.a, libicudata.a); every other
# program, and every library compiled against ICU, gets ICU::uc. The property
# is read on the program being linked, so one build can hold a static helper
# and shared test programs over the same qch_unicode library.
add_library(qch_icu INTERFACE)
if(APPLE)
  target_link_libraries(qch_icu INTERFACE icucore)
elseif(QCH_STATIC_HELPER)
  find_library(QCH_ICUUC_ARCHIVE NAMES libicuuc.a)
  find_library(QCH_ICUDATA_ARCHIVE NAMES libicudata.a)
  if(NOT QCH_ICUUC_ARCHIVE OR NOT QCH_ICUDATA_ARCHIVE)
    message(FATAL_ERROR "QCH_STATIC_HELPER needs libicuuc.a and libicudata.a "
                        "(libicu-dev); configure with -DQCH_STATIC_HELPER=OFF")
  endif()
  set(static "$<BOOL:$<TARGET_PROPERTY:QCH_STATIC_ICU>>")
  target_link_libraries(qch_icu INTERFACE
    "$<$<NOT:${static}>:ICU::uc>"
    "$<${static}:${QCH_ICUUC_ARCHIVE}>"
    "$<${static}:${QCH_ICUDATA_ARCHIVE}>"
    "$<${static}:${CMAKE_DL_LIBS}>"
    "$<${static}:Threads::Threads>")
  # Headers for compiling against ICU, whichever way it is linked.
  target_include_directories(qch_icu INTERFACE
    $<TARGET_PROPERTY:ICU::uc,INTERFACE_INCLUDE_DIRECTORIES>)
else()
  target_link_libraries(qch_icu INTERFACE ICU::uc)
endif()
