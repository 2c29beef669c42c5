# The falling box run to its break time headless and on the program's run thread with its observer at
# 50 frames per second.
zentrova_bench(run_thread_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/run_thread_bench.cpp DEPS app)
