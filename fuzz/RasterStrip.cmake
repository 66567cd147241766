cafe_fuzz_target(RasterStrip SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/RasterStrip.cpp LIBS cafe_raster)
