# Fails when any engine source includes a Qt header.
file(GLOB_RECURSE _files ${ROOT}/platform/*.h ${ROOT}/platform/*.cpp ${ROOT}/core/*.h ${ROOT}/core/*.cpp
     ${ROOT}/eval/*.h ${ROOT}/eval/*.cpp ${ROOT}/estimators/*.h ${ROOT}/estimators/*.cpp
     ${ROOT}/simeq/*.h ${ROOT}/simeq/*.cpp ${ROOT}/stats/*.h ${ROOT}/stats/*.cpp)
set(_bad "")
foreach(_f IN LISTS _files)
  if(_f MATCHES "/platform/qt/|/ui/")
    continue()
  endif()
  file(STRINGS ${_f} _lines REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"](Q[A-Za-z]|qt)")
  if(_lines)
    list(APPEND _bad "${_f}")
  endif()
endforeach()
if(_bad)
  message(FATAL_ERROR "engine files include Qt headers: ${_bad}")
endif()
message(STATUS "engine sources are free of Qt headers")
