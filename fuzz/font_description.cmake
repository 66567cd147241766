# The image font description reader, and fonts built from what it reads.
cafe_fuzz_target(font_description SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/FontDescriptionFuzz.cpp LIBS cafe_fonts)
