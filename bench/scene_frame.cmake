# Frames of the scene buffer on llvmpipe: the view of 50 lit bodies through a memory viewer, against a
# raw GL loop drawing the same lists, and a pick on that scene.
zentrova_bench(scene_frame_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/scene_frame_bench.cpp DEPS scene_core)
