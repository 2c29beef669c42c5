# The box-on-floor scene stepped by the engine beside Box2D (when installed), and the cost of stepping
# rows of resting boxes as their number grows.
zentrova_bench(contact_scene_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/contact_scene_bench.cpp DEPS engine)
if(BOX2D_INCLUDE_DIR AND BOX2D_LIB)
  target_include_directories(contact_scene_bench PRIVATE ${BOX2D_INCLUDE_DIR})
  target_link_libraries(contact_scene_bench PRIVATE ${BOX2D_LIB})
  target_compile_definitions(contact_scene_bench PRIVATE ZENTROVA_BENCH_BOX2D=1)
endif()
