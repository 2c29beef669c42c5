# A 1024 × 1024 24-bit bitmap turned into the bottom-up RGBA buffer of a texture upload, beside QImage's
# conversion of the same pixels to RGBA8888 and its vertical flip.
find_package(Qt6 QUIET COMPONENTS Gui)
if(TARGET Qt6::Gui)
  zentrova_bench(picture_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/picture_bench.cpp DEPS scene_pictures Qt6::Gui)
endif()
