# The XML layer: parsing in every encoding, XPath selection and the attribute accessors.
cafe_fuzz_target(xml SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/XmlFuzz.cpp LIBS cafe_shell)
