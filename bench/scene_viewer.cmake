# The window viewer on an X server, and AVI frames taken from it.
find_package(X11 REQUIRED)
zentrova_bench(scene_viewer_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/scene_viewer_bench.cpp DEPS scene_qt X11::X11)
