# The hand pointer Hand.cur, the program icon and the desktop entry, drawn by
# a generator of our own and laid out in the program folder.
add_executable(zandor_make_icons
  ${CMAKE_CURRENT_LIST_DIR}/make_icons.cpp
  ${CMAKE_SOURCE_DIR}/info/CursorFile.cpp ${CMAKE_SOURCE_DIR}/info/CursorFile.h
  ${CMAKE_SOURCE_DIR}/base/FileAccess.cpp ${CMAKE_SOURCE_DIR}/base/FileAccess.h
  ${CMAKE_SOURCE_DIR}/base/IconArt.cpp ${CMAKE_SOURCE_DIR}/base/IconArt.h)
target_include_directories(zandor_make_icons PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(zandor_make_icons PRIVATE Qt6::Gui)

set(ZANDOR_ICON_FILES
  ${ZANDOR_PROGRAM_DIR}/Hand.cur
  ${ZANDOR_PROGRAM_DIR}/zandor.png
  ${ZANDOR_PROGRAM_DIR}/zandor-128.png
  ${ZANDOR_PROGRAM_DIR}/zandor-64.png
  ${ZANDOR_PROGRAM_DIR}/zandor-32.png
  ${ZANDOR_PROGRAM_DIR}/zandor.desktop)
add_custom_command(
  OUTPUT ${ZANDOR_ICON_FILES}
  COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0
          $<TARGET_FILE:zandor_make_icons> ${ZANDOR_PROGRAM_DIR}
  DEPENDS zandor_make_icons
  COMMENT "Drawing Hand.cur, the program icon and zandor.desktop"
  VERBATIM)
add_custom_target(zandor_icons ALL DEPENDS ${ZANDOR_ICON_FILES})
