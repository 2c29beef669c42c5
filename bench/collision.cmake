# One collision detection pass (broad phase, box-tree descent, vertex-edge tests, contact building and
# classification) over outlines of growing point counts.
zentrova_bench(collision_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/collision_bench.cpp DEPS engine)
