# Tests of Windows programs run under Wine in the build tree's own prefix. A
# setup fixture makes the prefix before any test needs it; a cleanup fixture
# stops the prefix's wineserver so that nothing outlives the run.
set(QUILLON_WINEPREFIX "${CMAKE_BINARY_DIR}/wineprefix")
if(NOT TEST wine.prefix)
  add_test(NAME wine.prefix COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-prefix.sh ${QUILLON_WINEPREFIX} null)
  set_tests_properties(wine.prefix PROPERTIES FIXTURES_SETUP wine TIMEOUT 300)
  add_test(NAME wine.server.stop COMMAND sh -c "WINEPREFIX='${QUILLON_WINEPREFIX}' /usr/lib/wine/wineserver -k; WINEPREFIX='${QUILLON_WINEPREFIX}' /usr/lib/wine/wineserver -w; true")
  set_tests_properties(wine.server.stop PROPERTIES FIXTURES_CLEANUP wine)
endif()

function(add_wine_test target)
  add_test(NAME ${target} COMMAND ${target} ${ARGN})
  set_tests_properties(${target} PROPERTIES
    FIXTURES_REQUIRED wine
    ENVIRONMENT "WINEPREFIX=${QUILLON_WINEPREFIX}"
    TIMEOUT 600)
endfunction()
