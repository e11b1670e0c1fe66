# The engine must stay free of Qt: it is built and tested without any window
# library, and a Qt dependency creeping in is a configuration error.
get_target_property(_engine_libs merlox_engine LINK_LIBRARIES)
get_target_property(_engine_incs merlox_engine INCLUDE_DIRECTORIES)
foreach(_item IN LISTS _engine_libs _engine_incs)
  if(_item MATCHES "Qt")
    message(FATAL_ERROR "merlox_engine must not depend on Qt (found ${_item})")
  endif()
endforeach()
