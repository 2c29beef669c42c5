# Loads of generated models of 1 to 50 free boxes: the load time per body; and of 10 to 100 boxes with a
# contact properties section per pair of them.
zentrova_bench(load_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/load_bench.cpp DEPS engine)
