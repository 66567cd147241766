# The whole image loader, every format, told apart by content; decoded images are then drawn.
cafe_fuzz_target(image_loader SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/ImageLoaderFuzz.cpp LIBS cafe_graphics)
