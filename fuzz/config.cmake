# The configuration readers with no fuzz target of their own: settings.ini, loc.xml, the
# textures, fonts and cursors of ui.xml, the sounds and music of cfg.xml. The sample café's own
# files are seeds, beside the corpus.
set(config_seeds ${CMAKE_SOURCE_DIR}/content/cfg/loc.xml ${CMAKE_SOURCE_DIR}/content/cfg/ui.xml
                 ${CMAKE_SOURCE_DIR}/content/cfg/cfg.xml)
cafe_fuzz_target(config SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/ConfigFuzz.cpp
                 LIBS cafe_widgets cafe_sound cafe_platform SEEDS ${config_seeds})
# It reads the files the documents name from the sample packs beside it.
add_dependencies(fuzz_config content)
