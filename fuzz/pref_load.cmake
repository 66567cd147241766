# The profile file: loaded from arbitrary bytes, saved, and loaded again.
cafe_fuzz_target(pref_load SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/PrefLoadFuzz.cpp LIBS cafe_cafe)
