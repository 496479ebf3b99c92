# Helper programs built on request only:
#   korvalith_draw_art     redraws the pictures under resources/
#   korvalith_screenshots  grabs the windows for docs/screenshots/
add_executable(korvalith_draw_art EXCLUDE_FROM_ALL scripts/art/DrawArtwork.cpp)
target_link_libraries(korvalith_draw_art PRIVATE Qt6::Gui)

add_executable(korvalith_screenshots EXCLUDE_FROM_ALL scripts/art/GrabScreenshots.cpp)
target_link_libraries(korvalith_screenshots PRIVATE korvalith_gui)
