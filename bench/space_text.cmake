# The 3D text: one 256-glyph extruded font entry built (outlines, tessellation, display lists), and
# frames of 50 labels sharing it in a 744 × 440 memory viewer. Both need EGL's surfaceless platform.
zentrova_bench(space_text_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/space_text_bench.cpp DEPS scene_objects)
