#pragma once
// Additive pattern databases for the 4 x 4 board, the lower bound behind the
// optimal solver of that size (game/OptimalSearch.h).
//
// Fourteen of the fifteen tiles are split into two groups of seven; the
// fifteenth counts by its distance from home alone. For every placement of
// one group's tiles on the sixteen fields, the group's table holds the
// fewest moves of that group's tiles that bring them home when every other
// tile may move for free. Only moves of a group's own tiles are counted, so
// the values of the groups may be added to the distance of the lone tile and
// the sum never exceeds the true number of moves: an admissible heuristic.
//
// A table keeps four bits a placement: how many moves the group's tiles need
// beyond the sum of their Manhattan distances, halved (the two always differ
// by an even number) and capped at MaxExtra, which no placement reaches.
//
// Board form as in game/Tiles.h: tile t (0..14) is home on field t, the empty
// field is home on field 15.
//
// Tables are built by a breadth-first search over (placement of the group's
// tiles, region of free fields the empty field can reach without moving one
// of them); the blank's region is part of the state because a group tile can
// only move into a field the blank reaches. Where the process may run on two
// processors, each level of the search is split between two threads. A
// table is indexed by the rank of the placement, see rank().
//
// The tables are the same on every machine, so the program knows the digest
// of their bytes (BLAKE2b-256, a constant in PatternDatabase.cpp); tables
// read from the cache file are used only when they have exactly that digest.
// They live inside one buffer laid out exactly as the cache file, so that
// the file is read straight into place and written from it, with no second
// copy. Cache file (little-endian), written atomically:
//   0  8 bytes  magic "ZANDORPD"
//   8  uint32   format version (FormatVersion)
//   12 uint32   number of groups G
//   16 16 bytes group index of each tile 0..14, 0xFF for the lone tile and
//               for field 15
//   32 G uint32 table sizes in bytes
//   .. payload  the G tables, two placements a byte, the lower rank in the
//               lower four bits
// A file that is missing, not a regular file, truncated, too long, of another
// format or version, made for other groups or whose tables do not have the
// program's digest is never used: the tables are built again and the file
// rewritten (unless something other than a file or a link stands there).
#include <QByteArray>
#include <QString>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class PatternDatabase
{
public:
    static constexpr std::uint32_t FormatVersion = 3;
    static constexpr int GroupCount = 2;
    static constexpr int MaxGroupSize = 7;
    static constexpr int Side = 4;                // the board the tables are for
    static constexpr int Fields = Side * Side;
    static const char *const CacheFileName;       // "solver.pdb"

    // The partition, chosen by measurement: the tiles of the two lower rows,
    // and those of the two upper rows but the top left one.
    static const std::vector<std::vector<int>> &groups();

    // The digest of the tables the build makes, and the one of these tables.
    static QByteArray expectedDigest();
    QByteArray digest() const;

    // Replaces the cache file atomically; false when that failed.
    bool save(const QString &file) const;

    struct Origin {
        bool loaded = false;      // the cache file was read and trusted
        bool written = false;     // the tables were built and the file (re)written
        QString cacheProblem;     // why the file was not used ("" when loaded)
    };
    using Builder = std::function<std::shared_ptr<const PatternDatabase>()>;

    // Builds the tables in memory: a few seconds on two processors. Returns
    // nothing when *abandon became true meanwhile (checked often) or the
    // memory for the build was not to be had.
    static std::shared_ptr<const PatternDatabase> build(const std::atomic<bool> *abandon = nullptr);

    // Loads the cache file; when it is unusable builds the tables (with
    // builder, or build(abandon) when none is given) and rewrites the file,
    // if a regular file, a link or nothing stands at its name. A file that
    // cannot be written leaves the tables in memory only.
    static std::shared_ptr<const PatternDatabase> loadOrBuild(const QString &file,
                                                              Origin *origin = nullptr,
                                                              const Builder &builder = {},
                                                              const std::atomic<bool> *abandon = nullptr);

    // The one instance of the tables in the process, made by
    // loadOrBuild(folder + "/solver.pdb") on a thread of its own when first
    // asked for; later calls get it whatever folder they name. Waits until the
    // tables are there or *cancel becomes true (nothing then; the tables are
    // still made, for the next call). Thread-safe. origin, when given, tells
    // how the instance was made.
    static std::shared_ptr<const PatternDatabase> shared(const QString &folder,
                                                         const std::atomic<bool> *cancel = nullptr,
                                                         Origin *origin = nullptr);

    int groupOf(int tile) const { return m_groupOf[tile]; }
    const std::uint8_t *table(int g) const { return m_table[g]; }

    // A table's entry for the placement of rank r: the fewest moves of the
    // group's tiles less the sum of their Manhattan distances from home,
    // halved.
    static constexpr int MaxExtra = 15;
    static int extraMoves(const std::uint8_t *table, std::uint32_t r)
    {
        return (table[r >> 1] >> (4 * (r & 1))) & 15;
    }
    std::size_t memoryBytes() const { return m_size; }

    // Rank of a placement of k tiles: positions[i] is the field of the group's
    // i-th tile. The rank runs over 0 .. 16!/(16-k)! - 1.
    static std::uint32_t rank(const int *positions, int k)
    {
        // Digit i is the field of tile i counted among the fields the
        // earlier tiles leave free.
        std::uint32_t r = 0, taken = 0;
        for (int i = 0; i < k; ++i) {
            const int p = positions[i];
            const int below = __builtin_popcount(taken & ((1u << p) - 1));
            taken |= 1u << p;
            r = r * std::uint32_t(Fields - i) + std::uint32_t(p - below);
        }
        return r;
    }

private:
    PatternDatabase();
    // Reads a cache file; nullptr and the reason in *why when it cannot be
    // trusted. Only a regular file is opened for reading.
    static std::shared_ptr<const PatternDatabase> load(const QString &file, QString *why);
    void writeHeader();

    struct Unmap {
        std::size_t size;
        void operator()(std::uint8_t *p) const;
    };
    int m_groupOf[Fields] = {};
    std::unique_ptr<std::uint8_t[], Unmap> m_file;   // the whole cache file image
    std::size_t m_size = 0;                   // its length
    std::size_t m_header = 0;                 // where the tables begin
    std::uint8_t *m_table[GroupCount] = {};
};
