# The engine's layers, lowest first. Each folder is one static library that
# links only the libraries named after it, and its sources may include only
# headers of those folders (and their own). MERLOX_LAYER_<folder> lists the
# folders a layer may use directly; what they use is allowed too.
set(MERLOX_LAYERS
  resources platform core/numeric core/text core/data core/report core/settings core/io core/model eval
  macro estimators simeq stats)
set(MERLOX_LAYER_resources "")
set(MERLOX_LAYER_platform "")
set(MERLOX_LAYER_core/numeric platform resources)
set(MERLOX_LAYER_core/text platform resources)
set(MERLOX_LAYER_core/data core/numeric core/text)
# Result tables and report text, shared by the model and every analysis.
set(MERLOX_LAYER_core/report core/data)
set(MERLOX_LAYER_core/settings core/data)
set(MERLOX_LAYER_core/io core/settings)
set(MERLOX_LAYER_core/model core/io core/report)
set(MERLOX_LAYER_eval core/model)
# Compiled macros and their compiler, which folds constants through the
# evaluator.
set(MERLOX_LAYER_macro eval)
# The analyses sit side by side: none uses another.
set(MERLOX_LAYER_estimators eval)
set(MERLOX_LAYER_simeq eval)
set(MERLOX_LAYER_stats eval)

# _out := the layer and every layer below it that it may use.
function(merlox_layer_closure layer _out)
  set(_all ${layer})
  set(_todo ${MERLOX_LAYER_${layer}})
  while(_todo)
    list(POP_FRONT _todo _next)
    if(NOT _next IN_LIST _all)
      list(APPEND _all ${_next})
      list(APPEND _todo ${MERLOX_LAYER_${_next}})
    endif()
  endwhile()
  set(${_out} ${_all} PARENT_SCOPE)
endfunction()
