# cmake -DEXPECTED=DIR -DACTUAL=DIR -DFILES="a;b" -P CompareAssets.cmake
# Fails, naming every file that differs or is missing, unless each of FILES is
# byte for byte the same in both folders.
set(_bad "")
foreach(name IN LISTS FILES)
  if(NOT EXISTS ${ACTUAL}/${name})
    list(APPEND _bad "${name} (not made)")
    continue()
  endif()
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${EXPECTED}/${name} ${ACTUAL}/${name}
                  RESULT_VARIABLE _differs)
  if(_differs)
    list(APPEND _bad ${name})
  endif()
endforeach()
if(_bad)
  list(JOIN _bad ", " _text)
  message(FATAL_ERROR "generated on the two platforms, these assets differ: ${_text}")
endif()
list(LENGTH FILES _count)
message(STATUS "${_count} assets are byte-identical")
