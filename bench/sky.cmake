# A twinkling star field over a computed Earth sky, drawn off-screen at the main window's view size.
zentrova_bench(sky_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/sky_bench.cpp DEPS scene_extras)
