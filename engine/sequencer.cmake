# The connection sequencer, the receive threads and channel objects, and the flags they share
# with the root window (CConnectProgress and CorvaneHolder are listed in CMakeLists.txt).
target_sources(corvane_engine PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/CorvaneAppFlags.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CorvaneChannelContext.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SystemInitThread.cpp)
