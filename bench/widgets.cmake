# Head-up display text and skinned widgets drawn every frame by a memory viewer.
zentrova_bench(widgets_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/widgets_bench.cpp DEPS scene_extras)
