# One driver step of each bundled example, and whole runs of them to their break time with the
# simulated time per second of wall-clock time.
zentrova_bench(step_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/step_bench.cpp DEPS engine)
