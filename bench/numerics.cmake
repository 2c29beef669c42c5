# LU decomposition and inversion of TSqrMatrix, beside Eigen's PartialPivLU in long double when Eigen is
# found (the Eigen cases are then compiled in; without it only ours run).
zentrova_bench(lu_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/lu_bench.cpp DEPS numerics)
if(TARGET Eigen3::Eigen)
  target_link_libraries(lu_bench PRIVATE Eigen3::Eigen)
  target_compile_definitions(lu_bench PRIVATE ZENTROVA_BENCH_EIGEN=1)
endif()
# FastSin and FastCos against sinl and cosl, and their largest error over ten million arguments.
zentrova_bench(trig_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/trig_bench.cpp DEPS numerics)
