# What the café board targets share (CafeBoardFuzz.cpp), tested in the ordinary build.
if(NOT CAFE_FUZZ)
  cafe_test(fuzz CafeBoardFuzz SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/CafeBoardFuzzTest.cpp
            ${CMAKE_CURRENT_SOURCE_DIR}/CafeBoardFuzz.cpp LIBS cafe_cafe)
endif()
