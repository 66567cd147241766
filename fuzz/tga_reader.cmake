# The TGA reader on arbitrary bytes.
cafe_fuzz_target(tga_reader SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/TgaReaderFuzz.cpp LIBS cafe_graphics)
