# bench_scan: the program's scan (identification threads, event loop) of
# silent ports at the line's timing; needs QtCore.
if(TARGET wayline_comm_qt)
  wayline_add_bench(scan SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/ScanBench.cpp
    LIBS wayline_comm_qt wayline_sim)
endif()
