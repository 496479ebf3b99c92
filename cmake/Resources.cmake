# The pictures drawn by scripts/art/DrawArtwork.cpp, embedded in the window library.
target_sources(korvalith_gui PRIVATE ${CMAKE_SOURCE_DIR}/resources/korvalith.qrc)
