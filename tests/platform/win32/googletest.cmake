# GoogleTest for the Windows test programs, built from the Debian package
# googletest's sources. The tests' find_package(GTest) then finds the targets
# made here through a config file that only says they exist.
if(TARGET GTest::gtest)
  return()
endif()

set(MAGCFG_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources (Debian package googletest)")
if(NOT EXISTS ${MAGCFG_GOOGLETEST_SOURCE}/CMakeLists.txt)
  message(FATAL_ERROR "No GoogleTest sources in ${MAGCFG_GOOGLETEST_SOURCE}: install the Debian package googletest")
endif()

set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${MAGCFG_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)

set(config_dir ${CMAKE_BINARY_DIR}/googletest-config)
file(WRITE ${config_dir}/GTestConfig.cmake "# GoogleTest is built in this tree: GTest::gtest and GTest::gtest_main exist.\n")
set(GTest_DIR ${config_dir} CACHE PATH "GoogleTest config, made by the build" FORCE)
