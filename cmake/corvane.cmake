# corvane_core_library(<folder> [DEPS libs...]) builds corvane_<folder> from every .cpp in the folder
# (subfolders excluded, so Qt widgets can live in a subfolder with a target of their own).
function(corvane_core_library folder)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(srcs)
    add_library(corvane_${folder} STATIC ${srcs})
    target_include_directories(corvane_${folder} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(corvane_${folder} PUBLIC ${ARG_DEPS})
  else()
    add_library(corvane_${folder} INTERFACE)
    target_include_directories(corvane_${folder} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(corvane_${folder} INTERFACE ${ARG_DEPS})
  endif()
endfunction()

# corvane_test(<name> [DEPS libs...]) builds <name>_tests from every .cpp in the calling folder and
# registers each GoogleTest case with CTest.
function(corvane_test name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  add_executable(${name}_tests ${srcs})
  target_link_libraries(${name}_tests PRIVATE ${ARG_DEPS} GTest::gtest GTest::gtest_main pthread)
  target_include_directories(${name}_tests PRIVATE ${PROJECT_SOURCE_DIR})
  gtest_discover_tests(${name}_tests WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
                       DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 120)
endfunction()
