# Loads of generated models of 1 to 40 free boxes: the load time per body.
zentrova_bench(load_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/load_bench.cpp DEPS engine)
