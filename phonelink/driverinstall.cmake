# The driver installation of the phone link (kavlink copy, USB registry keys, first-start marker,
# mass-storage switch), a library of its own. Included from phonelink/CMakeLists.txt.
include_guard(GLOBAL)
add_library(corvane_driverinstall STATIC
  ${CMAKE_CURRENT_LIST_DIR}/CRegKeyWrapper.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DriverInstall.cpp)
target_include_directories(corvane_driverinstall PUBLIC ${CMAKE_CURRENT_LIST_DIR} ${CMAKE_SOURCE_DIR}/platform)
target_link_libraries(corvane_driverinstall PUBLIC wce_devmgr wce_registry wce_kernel)
