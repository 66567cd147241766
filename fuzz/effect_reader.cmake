# The effect file reader, and the effects it yields run through their messages.
cafe_fuzz_target(effect_reader SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/EffectReaderFuzz.cpp LIBS cafe_effects)
