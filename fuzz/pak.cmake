# The pack reader: directory parsing and entry reads on forged packs.
cafe_fuzz_target(pak SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/PakFuzz.cpp LIBS cafe_shell)
