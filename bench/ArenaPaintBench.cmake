# bench_arena_paint: one frame of the virtual robot's arena with a short and
# a long path behind the robot (Qt, offscreen). Needs the windows: built when
# the benchmarks are configured with them (-DWAYLINE_WITH_UI=ON
# -DWAYLINE_BENCH=ON).
if(TARGET wayline_ui)
  wayline_add_bench(arena_paint SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/ArenaPaintBench.cpp
    LIBS wayline_ui wayline_sim wayline_cli_core wayline_codegen_core wayline_tokenizer
         Qt6::Widgets)
  wayline_qt_target(bench_arena_paint)
endif()
