# One LCP solve of random symmetric positive definite problems: SolveLCP beside Siconos' lexicographic
# Lemke solver when Siconos numerics is found (its cases are then compiled in; without it only ours run).
zentrova_bench(lcp_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/lcp_bench.cpp DEPS engine)
if(SICONOS_INCLUDE_DIR AND SICONOS_NUMERICS_LIB)
  # Its headers include SiconosConfig.h from the siconos folder itself.
  target_include_directories(lcp_bench PRIVATE ${SICONOS_INCLUDE_DIR} ${SICONOS_INCLUDE_DIR}/siconos)
  target_link_libraries(lcp_bench PRIVATE ${SICONOS_NUMERICS_LIB})
  target_compile_definitions(lcp_bench PRIVATE ZENTROVA_BENCH_SICONOS=1)
endif()
