# Meshes: skinning 10,000 vertices on 2 bones beside the same matrix products in a plain loop; loading a
# 1,000,000-vertex glsm beside reading its bytes; a 100,000-triangle free form drawn at 744 × 440 off-screen.
zentrova_bench(mesh_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/mesh_bench.cpp DEPS scene_extras)
