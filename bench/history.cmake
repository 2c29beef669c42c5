# Recording a run: the number texts of the history files, a data.txt line, and choosing the next
# history directory.
zentrova_bench(history_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/history_bench.cpp DEPS engine)
