// Makes the solver's 4 x 4 tables into the program folder as built, so that a
// game started from the build folder (and every test that starts one) finds
// them at once instead of making them on its first search, which costs half
// a minute of processor time. They are always made afresh, as the game makes
// them: the file is used only when its digest is the one compiled into the
// game, so a change to the way they are made that forgets the digest shows.
#include "game/PatternDatabase.h"

#include <QString>
#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_solver_tables <solver.pdb>\n");
        return 2;
    }
    const auto tables = PatternDatabase::build();
    if (!tables || !tables->save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "make_solver_tables: cannot make %s\n", argv[1]);
        return 1;
    }
    return 0;
}
