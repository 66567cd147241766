# The dialog part of ui.xml: dialogs built from fuzzed documents, then driven and drawn.
cafe_fuzz_target(ui_reader SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/UiReaderFuzz.cpp LIBS cafe_widgets)
