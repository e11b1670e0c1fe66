# The engine must stay free of Qt: it is built and tested without any window
# library, and a Qt dependency creeping in is a configuration error.
foreach(_lib IN LISTS MERLOX_ENGINE_LIBRARIES)
  get_target_property(_engine_libs ${_lib} LINK_LIBRARIES)
  get_target_property(_engine_incs ${_lib} INCLUDE_DIRECTORIES)
  foreach(_item IN LISTS _engine_libs _engine_incs)
    if(_item MATCHES "Qt")
      message(FATAL_ERROR "${_lib} must not depend on Qt (found ${_item})")
    endif()
  endforeach()
endforeach()
