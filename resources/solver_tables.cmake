# The solver's 4 x 4 tables (solver.pdb, 58 MB), made once into the program
# folder as built, and again only when the way they are made changes; a game
# that does not find them makes them itself on its first search.
add_executable(zandor_make_solver_tables ${CMAKE_CURRENT_LIST_DIR}/make_solver_tables.cpp)
target_link_libraries(zandor_make_solver_tables PRIVATE zandor_core)
set(ZANDOR_SOLVER_TABLES ${ZANDOR_PROGRAM_DIR}/solver.pdb)
add_custom_command(
  OUTPUT ${ZANDOR_SOLVER_TABLES}
  COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0
          $<TARGET_FILE:zandor_make_solver_tables> ${ZANDOR_SOLVER_TABLES}
  DEPENDS ${CMAKE_SOURCE_DIR}/game/PatternDatabase.cpp ${CMAKE_SOURCE_DIR}/game/PatternDatabase.h
          ${CMAKE_CURRENT_LIST_DIR}/make_solver_tables.cpp
  COMMENT "Making the solver's tables"
  VERBATIM)
add_custom_target(zandor_solver_tables ALL DEPENDS ${ZANDOR_SOLVER_TABLES})
add_dependencies(zandor_solver_tables zandor_make_solver_tables)
