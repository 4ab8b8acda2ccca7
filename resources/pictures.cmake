# The pictures offered on the first start, drawn by a generator of our own
# into the picture library Images/originale of the program folder.
add_executable(zandor_make_pictures ${CMAKE_CURRENT_LIST_DIR}/make_pictures.cpp
  ${CMAKE_SOURCE_DIR}/pictures/WmfWriter.h)
target_include_directories(zandor_make_pictures PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(zandor_make_pictures PRIVATE Qt6::Gui)

set(ZANDOR_LIBRARY_PICTURES
  ${ZANDOR_PROGRAM_DIR}/Images/originale/Landschaft.jpg
  ${ZANDOR_PROGRAM_DIR}/Images/originale/Muster.jpg
  ${ZANDOR_PROGRAM_DIR}/Images/originale/Farbenspiel.jpg
  ${ZANDOR_PROGRAM_DIR}/Images/originale/Mosaik.bmp
  ${ZANDOR_PROGRAM_DIR}/Images/originale/Segelboot.wmf)
add_custom_command(
  OUTPUT ${ZANDOR_LIBRARY_PICTURES}
  COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0
          $<TARGET_FILE:zandor_make_pictures> ${ZANDOR_PROGRAM_DIR}/Images/originale
  DEPENDS zandor_make_pictures
  COMMENT "Drawing the pictures of the picture library"
  VERBATIM)
add_custom_target(zandor_pictures ALL DEPENDS ${ZANDOR_LIBRARY_PICTURES})
