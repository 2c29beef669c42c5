# Compile once, evaluate many: the expression chains beside hand-written long double code and, when it
# is installed, muParser (double).
zentrova_bench(expression_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/expression_bench.cpp DEPS numerics platform)
if(MUPARSER_FOUND)
  target_link_libraries(expression_bench PRIVATE PkgConfig::MUPARSER)
  target_compile_definitions(expression_bench PRIVATE ZENTROVA_HAVE_MUPARSER=1)
endif()
