# The program's bodies: 50 extrusion solids of 200-point outlines with their labels, the first frame
# (outlines, display lists and the label font built) and later frames in a 744 × 440 memory viewer.
# Needs EGL's surfaceless platform.
zentrova_bench(extrusion_solid_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/extrusion_solid_bench.cpp DEPS scene_objects)
