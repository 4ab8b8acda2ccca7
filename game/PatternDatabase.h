#pragma once
// Additive pattern databases for the 4 x 4 board, the lower bound behind the
// optimal solver (game/Solver.h).
//
// The fifteen tiles are split into disjoint groups. For every placement of
// one group's tiles on the sixteen fields, the group's table holds the fewest
// moves of that group's tiles that bring them home when every other tile may
// move for free. Only moves of a group's own tiles are counted, so the values
// of the groups may be added and the sum never exceeds the true number of
// moves: an admissible and consistent heuristic.
//
// Board form: fields 0..15 row by row from the top left; tile t (0..14) is
// home on field t, the empty field is home on field 15.
//
// Tables are built by a breadth-first search over (placement of the group's
// tiles, region of free fields the empty field can reach without moving one
// of them); the blank's region is part of the state because a group tile can
// only move into a field the blank reaches. A table is indexed by the rank of
// the placement, see rank().
//
// Cache file (little-endian), written atomically:
//   0  8 bytes  magic "ZANDORPD"
//   8  uint32   format version (FormatVersion)
//   12 uint32   number of groups G
//   16 16 bytes group index of each tile 0..14, 0xFF for field 15
//   32 G uint32 table sizes in bytes
//   .. uint32   CRC-32 of everything before it and of the payload after it
//   .. payload  the G tables, one byte per placement
// A file that is missing, truncated, too long, of another format or version,
// made for other groups, fails its checksum or holds impossible values is
// never used: the tables are built again and the file rewritten.
#include <QString>
#include <QByteArray>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class PatternDatabase
{
public:
    static constexpr int Fields = 16;
    static constexpr int Empty = 15;              // tile number of the empty field
    static constexpr std::uint32_t FormatVersion = 1;
    static const char *const CacheFileName;       // "solver.pdb"

    using Groups = std::vector<std::vector<int>>;

    // The partition used by the game, chosen by measurement: two groups of
    // six tiles and one of three.
    static Groups defaultGroups();

    // True when groups is a partition of the tiles 0..14 into 1..8 groups of
    // 1..7 tiles each.
    static bool isPartition(const Groups &groups);

    // Builds the tables in memory. Returns nullptr when groups is not a
    // partition.
    static std::shared_ptr<const PatternDatabase> build(const Groups &groups = defaultGroups());

    // Reads a cache file made for exactly these groups; nullptr and the
    // reason in *why when the file cannot be trusted.
    static std::shared_ptr<const PatternDatabase> load(const QString &file, QString *why = nullptr,
                                                       const Groups &groups = defaultGroups());

    // Writes the cache file atomically (QSaveFile); false (and why) on failure,
    // the file then keeps its old content or stays absent.
    bool save(const QString &file, QString *why = nullptr) const;

    // The bytes save() writes.
    QByteArray serialize() const;

    struct Origin {
        bool loaded = false;      // the cache file was read and trusted
        bool written = false;     // the tables were built and the file (re)written
        QString cacheProblem;     // why the file was not used ("" when loaded)
        QString writeProblem;     // why writing failed ("" when written or loaded)
        double seconds = 0;       // time spent loading or building and writing
    };
    using Builder = std::function<std::shared_ptr<const PatternDatabase>()>;

    // Loads the cache file; when it is unusable builds the tables (with
    // builder, or build() when none is given) and rewrites the file. A file
    // that cannot be written leaves the tables in memory only. Never returns
    // nullptr unless the builder does.
    static std::shared_ptr<const PatternDatabase> loadOrBuild(const QString &file,
                                                              Origin *origin = nullptr,
                                                              const Builder &builder = {});

    // One shared instance per folder, made by loadOrBuild(folder + "/solver.pdb")
    // on first use. Thread-safe: concurrent first calls wait for the one build.
    // origin (optional) tells how the instance was made when this call made it.
    static std::shared_ptr<const PatternDatabase> shared(const QString &folder,
                                                         Origin *origin = nullptr);

    const Groups &groups() const { return m_groups; }
    int groupCount() const { return int(m_groups.size()); }
    int groupOf(int tile) const { return m_groupOf[tile]; }
    const std::uint8_t *table(int g) const { return m_tables[g].data(); }
    std::size_t tableSize(int g) const { return m_tables[g].size(); }
    std::size_t memoryBytes() const;

    // Rank of a placement of k tiles: positions[i] is the field of the group's
    // i-th tile. The rank runs over 0 .. 16!/(16-k)! - 1.
    static std::uint32_t rank(const int *positions, int k)
    {
        // Digit i is the field of tile i counted among the fields the
        // earlier tiles leave free. Plain comparisons: no population-count
        // instruction is needed on the baseline x86-64 target.
        std::uint32_t r = 0;
        for (int i = 0; i < k; ++i) {
            const int p = positions[i];
            int below = 0;
            for (int j = 0; j < i; ++j)
                below += positions[j] < p;
            r = r * std::uint32_t(16 - i) + std::uint32_t(p - below);
        }
        return r;
    }

    // The value of group g for a board given as tilePos[t] = field of tile t.
    int value(int g, const int *tilePos) const;

    // Sum over the groups: a lower bound of the moves that bring the board
    // home (tilePos[t] = field of tile t, t = 0..14).
    int heuristic(const int *tilePos) const;

    bool sameTables(const PatternDatabase &other) const;

private:
    PatternDatabase() = default;
    void setGroups(const Groups &groups);
    bool plausible() const;

    Groups m_groups;
    int m_groupOf[Fields] = {};
    std::vector<std::vector<std::uint8_t>> m_tables;
};
