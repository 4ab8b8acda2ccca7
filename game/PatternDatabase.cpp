#include "game/PatternDatabase.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSaveFile>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

const char *const PatternDatabase::CacheFileName = "solver.pdb";

namespace {

constexpr char Magic[8] = {'Z', 'A', 'N', 'D', 'O', 'R', 'P', 'D'};
constexpr int MaxGroups = 8;
constexpr int MaxGroupSize = 7;
constexpr std::uint8_t Unreached = 0xFF;

// The fields of free reachable from seed through orthogonal steps.
inline std::uint32_t flood(std::uint32_t seed, std::uint32_t free)
{
    constexpr std::uint32_t NotColumn0 = 0xEEEE; // a step right never lands in column 0
    constexpr std::uint32_t NotColumn3 = 0x7777; // a step left never lands in column 3
    std::uint32_t r = seed & free, prev;
    do {
        prev = r;
        r |= ((r << 1) & NotColumn0) | ((r >> 1) & NotColumn3) | (r << 4) | (r >> 4);
        r &= free;
    } while (r != prev);
    return r;
}

std::size_t placements(int k)
{
    std::size_t n = 1;
    for (int i = 0; i < k; ++i)
        n *= std::size_t(16 - i);
    return n;
}

// CRC-32 (the common reflected polynomial 0xEDB88320).
struct CrcTable {
    std::uint32_t t[256];
    constexpr CrcTable() : t()
    {
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
    }
};
constexpr CrcTable Crc;

std::uint32_t crc32(std::uint32_t crc, const char *data, std::size_t n)
{
    crc = ~crc;
    for (std::size_t i = 0; i < n; ++i)
        crc = Crc.t[(crc ^ std::uint8_t(data[i])) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

void putU32(QByteArray &out, std::uint32_t v)
{
    const char b[4] = {char(v & 0xFF), char((v >> 8) & 0xFF), char((v >> 16) & 0xFF),
                       char((v >> 24) & 0xFF)};
    out.append(b, 4);
}

std::uint32_t getU32(const char *p)
{
    return std::uint32_t(std::uint8_t(p[0])) | (std::uint32_t(std::uint8_t(p[1])) << 8)
        | (std::uint32_t(std::uint8_t(p[2])) << 16) | (std::uint32_t(std::uint8_t(p[3])) << 24);
}

// A growing array of level entries. Its memory is not cleared, so pages
// that are never written do not count against the process.
struct Entries {
    std::unique_ptr<std::uint32_t[]> data;
    std::size_t size = 0;
    std::size_t capacity = 0;

    void reserve(std::size_t n)
    {
        if (n <= capacity)
            return;
        const std::size_t c = std::max(n, capacity + capacity / 2 + 4096);
        std::unique_ptr<std::uint32_t[]> d(new std::uint32_t[c]);
        if (size)
            std::memcpy(d.get(), data.get(), size * sizeof(std::uint32_t));
        data = std::move(d);
        capacity = c;
    }
};

// Copies from into to, ordered by the bits from shift upwards (one counting
// pass: entries equal in those bits keep their order).
void orderByHighBits(const Entries &from, Entries &to, int shift, int bits)
{
    std::vector<std::size_t> count((std::size_t(1) << bits) + 1, 0);
    const std::uint32_t mask = (1u << bits) - 1;
    for (std::size_t i = 0; i < from.size; ++i)
        ++count[((from.data[i] >> shift) & mask) + 1];
    for (std::size_t i = 1; i < count.size(); ++i)
        count[i] += count[i - 1];
    to.size = 0;
    to.reserve(from.size);
    for (std::size_t i = 0; i < from.size; ++i) {
        const std::uint32_t x = from.data[i];
        to.data[count[(x >> shift) & mask]++] = x;
    }
    to.size = from.size;
}

// Breadth-first search for one group: the fewest moves of the group's tiles
// for every placement of them, the other tiles moving for free.
//
// A state is a placement and the region of free fields the blank is in: a
// tile of the group can move only into a field of that region. The regions
// of a placement are numbered in the order of their lowest fields (there are
// at most 7, with 7 tiles). The search runs level by level; each level is
// ordered by the fields of its first tiles, so that the successors of
// consecutive states lie close together in the tables and memory is read in
// a few running streams rather than at random.
std::vector<std::uint8_t> buildTable(const std::vector<int> &tiles)
{
    const int k = int(tiles.size());
    const std::size_t count = placements(k);
    std::vector<std::uint8_t> table(count, Unreached);
    // seen[rank]: one bit per region reached with that placement.
    std::vector<std::uint8_t> seen(count, 0);

    // A level entry holds the fields of the tiles, 4 bits each, the first
    // tile highest (so the order of entries is the order of ranks), and the
    // region's number in the lowest 4 bits.
    const int keyBits = 4 * k + 4;
    auto shiftOf = [k](int i) { return 4 * (k - i); };

    // For every set of free fields with 16 - k members: the number of the
    // region of each field, 4 bits per field, and the lowest fields of the
    // regions.
    std::vector<std::uint64_t> labels(std::size_t(1) << 16, 0);
    std::vector<std::uint16_t> lowest(std::size_t(1) << 16, 0);
    for (std::uint32_t free = 0; free < (1u << 16); ++free) {
        if (__builtin_popcount(free) != 16 - k)
            continue;
        std::uint64_t l = 0;
        std::uint32_t rest = free;
        for (std::uint64_t number = 0; rest; ++number) {
            const int low = __builtin_ctz(rest);
            const std::uint32_t region = flood(1u << low, free);
            rest &= ~region;
            lowest[free] |= std::uint16_t(1u << low);
            for (std::uint32_t m = region; m; m &= m - 1)
                l |= number << (4 * __builtin_ctz(m));
        }
        labels[free] = l;
    }
    // The lowest field of region number n of a set of free fields.
    auto lowestField = [&lowest](std::uint32_t free, int n) {
        std::uint32_t lows = lowest[free];
        for (int j = 0; j < n; ++j)
            lows &= lows - 1;
        return __builtin_ctz(lows);
    };

    // Weight of digit i of the rank.
    std::int32_t weight[MaxGroupSize];
    for (int i = 0; i < k; ++i) {
        weight[i] = 1;
        for (int j = i + 1; j < k; ++j)
            weight[i] *= 16 - j;
    }

    int pos[MaxGroupSize];
    std::uint32_t occ = 0, start = 0;
    for (int i = 0; i < k; ++i) {
        pos[i] = tiles[i];
        occ |= 1u << pos[i];
        start |= std::uint32_t(pos[i]) << shiftOf(i);
    }
    const std::uint32_t region0 =
        std::uint32_t(labels[~occ & 0xFFFF] >> (4 * PatternDatabase::Empty)) & 0xF;
    const std::uint32_t r0 = PatternDatabase::rank(pos, k);
    seen[r0] = std::uint8_t(1u << region0);
    table[r0] = 0;

    // Successors are collected in batches and their visited bytes fetched
    // ahead, so that many memory accesses are under way at once.
    struct Pending {
        std::uint32_t rank;
        std::uint32_t tiles;     // level entry of the successor without the region
        std::uint16_t free;      // its free fields
        std::uint16_t blank;     // the field the blank moved to
    };
    constexpr std::size_t BatchSize = 1024;
    // Room for one more state's successors (at most 4 per tile) beyond a batch.
    std::vector<Pending> batchStore(BatchSize + 4 * MaxGroupSize);
    Pending *const batch = batchStore.data();
    std::size_t batched = 0;
    Entries current, next;
    current.reserve(1);
    current.data[0] = start | region0;
    current.size = 1;
    std::uint8_t value = 0;
    // Few branches here: whether a successor is new cannot be predicted.
    auto flush = [&] {
        next.reserve(next.size + batched);
        std::uint32_t *out = next.data.get();
        std::size_t n = next.size;
        for (std::size_t b = 0; b < batched; ++b) {
            const Pending &p = batch[b];
            const std::uint32_t number = std::uint32_t(labels[p.free] >> (4 * p.blank)) & 0xF;
            const std::uint32_t bit = 1u << number;
            const std::uint32_t before = seen[p.rank];
            seen[p.rank] = std::uint8_t(before | bit);
            out[n] = p.tiles | number;
            n += (before & bit) == 0;
            // The first region reached is reached by the fewest moves.
            if (before == 0)
                table[p.rank] = value;
        }
        next.size = n;
        batched = 0;
    };

    for (int depth = 0; current.size > 0; ++depth) {
        value = std::uint8_t(std::min(depth + 1, 254));
        next.size = 0;
        for (std::size_t e = 0; e < current.size; ++e) {
            const std::uint32_t s = current.data[e];
            occ = 0;
            // Per field holding a tile of the group: the tile's place in the
            // group and the weight of its digit.
            std::int8_t slotAt[16];
            std::int32_t weightAt[16];
            for (int i = 0; i < k; ++i) {
                pos[i] = int((s >> shiftOf(i)) & 0xF);
                occ |= 1u << pos[i];
                slotAt[pos[i]] = std::int8_t(i);
                weightAt[pos[i]] = weight[i];
            }
            const std::int32_t r = std::int32_t(PatternDatabase::rank(pos, k));
            const std::uint32_t free = ~occ & 0xFFFF;
            const std::uint32_t region = flood(1u << lowestField(free, int(s & 0xF)), free);
            const std::uint32_t tilesOnly = s & ~0xFu;
            // The tile in slot i slides from its field into the blank on a
            // neighbouring field of the blank's region; the blank takes its
            // field.
            auto add = [&](int i, int from, int to, std::int32_t r2) {
                const std::uint32_t r2u = std::uint32_t(r2);
                __builtin_prefetch(&seen[r2u], 1);
                batch[batched++] = {r2u,
                                    (tilesOnly & ~(0xFu << shiftOf(i)))
                                        | (std::uint32_t(to) << shiftOf(i)),
                                    std::uint16_t(~(occ ^ (1u << from) ^ (1u << to)) & 0xFFFF),
                                    std::uint16_t(from)};
            };
            // The rank changes in digit i by the step less the earlier tiles
            // passed over, and in the digit of each later tile passed over by
            // one the other way. Only a step along a column passes over
            // fields: the three between, in the order of the fields.
            auto passedOver = [&](int i, int lo) {
                std::int32_t passed = 0;
                for (std::uint32_t m = (0x7u << (lo + 1)) & occ; m; m &= m - 1) {
                    const int f = __builtin_ctz(m);
                    passed += slotAt[f] < i ? -weight[i] : weightAt[f];
                }
                return passed;
            };
            // The tiles that can move each way are those next to the blank's
            // region on that side (the masks leave out moves across the edge
            // of a row). One loop per way keeps the branches few and easy to
            // predict, which matters more here than anything else.
            for (std::uint32_t m = occ & ((region << 1) & 0xEEEEu); m; m &= m - 1) {
                const int from = __builtin_ctz(m), i = slotAt[from];
                add(i, from, from - 1, r - weight[i]);
            }
            for (std::uint32_t m = occ & ((region >> 1) & 0x7777u); m; m &= m - 1) {
                const int from = __builtin_ctz(m), i = slotAt[from];
                add(i, from, from + 1, r + weight[i]);
            }
            for (std::uint32_t m = occ & (region << 4); m; m &= m - 1) {
                const int from = __builtin_ctz(m), i = slotAt[from];
                add(i, from, from - 4, r - 4 * weight[i] - passedOver(i, from - 4));
            }
            for (std::uint32_t m = occ & (region >> 4); m; m &= m - 1) {
                const int from = __builtin_ctz(m), i = slotAt[from];
                add(i, from, from + 4, r + 4 * weight[i] + passedOver(i, from));
            }
            if (batched >= BatchSize)
                flush();
        }
        flush();
        // The next level becomes the current one, ordered by the fields of
        // its first four tiles: the entries left unordered among themselves
        // share all but a few kilobytes of the tables.
        if (k > 4) {
            orderByHighBits(next, current, keyBits - 16, 16);
        } else {
            std::swap(current, next);
        }
    }
    return table;
}

} // namespace

PatternDatabase::Groups PatternDatabase::defaultGroups()
{
    // Fields:   0  1  2  3      groups:  C  C  C  A
    //           4  5  6  7               B  B  A  A
    //           8  9 10 11               B  B  A  A
    //          12 13 14  .               B  B  A  .
    return {{3, 6, 7, 10, 11, 14}, {4, 5, 8, 9, 12, 13}, {0, 1, 2}};
}

bool PatternDatabase::isPartition(const Groups &groups)
{
    if (groups.empty() || groups.size() > std::size_t(MaxGroups))
        return false;
    bool used[15] = {};
    int total = 0;
    for (const auto &g : groups) {
        if (g.empty() || g.size() > std::size_t(MaxGroupSize))
            return false;
        for (int t : g) {
            if (t < 0 || t > 14 || used[t])
                return false;
            used[t] = true;
            ++total;
        }
    }
    return total == 15;
}

void PatternDatabase::setGroups(const Groups &groups)
{
    m_groups = groups;
    std::fill(std::begin(m_groupOf), std::end(m_groupOf), -1);
    for (int g = 0; g < int(groups.size()); ++g)
        for (int t : groups[g])
            m_groupOf[t] = g;
}

int PatternDatabase::value(int g, const int *tilePos) const
{
    const auto &tiles = m_groups[g];
    int pos[MaxGroupSize];
    const int k = int(tiles.size());
    for (int i = 0; i < k; ++i)
        pos[i] = tilePos[tiles[i]];
    return m_tables[g][rank(pos, k)];
}

int PatternDatabase::heuristic(const int *tilePos) const
{
    int h = 0;
    for (int g = 0; g < groupCount(); ++g)
        h += value(g, tilePos);
    return h;
}

std::size_t PatternDatabase::memoryBytes() const
{
    std::size_t n = 0;
    for (const auto &t : m_tables)
        n += t.size();
    return n;
}

bool PatternDatabase::sameTables(const PatternDatabase &other) const
{
    return m_groups == other.m_groups && m_tables == other.m_tables;
}

std::shared_ptr<const PatternDatabase> PatternDatabase::build(const Groups &groups)
{
    if (!isPartition(groups))
        return nullptr;
    std::shared_ptr<PatternDatabase> db(new PatternDatabase);
    db->setGroups(groups);
    for (const auto &g : groups)
        db->m_tables.push_back(buildTable(g));
    return db;
}

// Every placement is reachable, so a table never keeps an unreached entry,
// and the home placement needs no move.
bool PatternDatabase::plausible() const
{
    for (int g = 0; g < groupCount(); ++g) {
        const auto &t = m_tables[g];
        if (t.size() != placements(int(m_groups[g].size())))
            return false;
        if (std::memchr(t.data(), Unreached, t.size()) != nullptr)
            return false;
        int home[MaxGroupSize];
        for (std::size_t i = 0; i < m_groups[g].size(); ++i)
            home[i] = m_groups[g][i];
        if (t[rank(home, int(m_groups[g].size()))] != 0)
            return false;
    }
    return true;
}

QByteArray PatternDatabase::serialize() const
{
    QByteArray out;
    out.reserve(int(64 + memoryBytes()));
    out.append(Magic, sizeof Magic);
    putU32(out, FormatVersion);
    putU32(out, std::uint32_t(groupCount()));
    for (int t = 0; t < Fields; ++t)
        out.append(char(t < 15 ? m_groupOf[t] : 0xFF));
    for (const auto &t : m_tables)
        putU32(out, std::uint32_t(t.size()));
    std::uint32_t crc = crc32(0, out.constData(), std::size_t(out.size()));
    for (const auto &t : m_tables)
        crc = crc32(crc, reinterpret_cast<const char *>(t.data()), t.size());
    putU32(out, crc);
    for (const auto &t : m_tables)
        out.append(reinterpret_cast<const char *>(t.data()), int(t.size()));
    return out;
}

bool PatternDatabase::save(const QString &file, QString *why) const
{
    QSaveFile f(file);
    if (!f.open(QIODevice::WriteOnly)) {
        if (why)
            *why = f.errorString();
        return false;
    }
    const QByteArray bytes = serialize();
    if (f.write(bytes) != bytes.size() || !f.commit()) {
        if (why)
            *why = f.errorString();
        f.cancelWriting();
        return false;
    }
    return true;
}

std::shared_ptr<const PatternDatabase> PatternDatabase::load(const QString &file, QString *why,
                                                             const Groups &groups)
{
    auto fail = [why](const QString &reason) {
        if (why)
            *why = reason;
        return std::shared_ptr<const PatternDatabase>();
    };
    if (!isPartition(groups))
        return fail(QStringLiteral("invalid groups"));
    QFile f(file);
    if (!f.exists())
        return fail(QStringLiteral("missing"));
    if (!f.open(QIODevice::ReadOnly))
        return fail(f.errorString());

    std::shared_ptr<PatternDatabase> db(new PatternDatabase);
    db->setGroups(groups);
    const int G = db->groupCount();
    const qint64 headerSize = 32 + 4 * G + 4;
    qint64 payload = 0;
    for (const auto &g : groups)
        payload += qint64(placements(int(g.size())));
    // Read no more than an intact file can hold, plus one byte to see excess.
    const QByteArray bytes = f.read(headerSize + payload + 1);
    const char *p = bytes.constData();
    if (bytes.size() >= qint64(sizeof Magic) && std::memcmp(p, Magic, sizeof Magic) != 0)
        return fail(QStringLiteral("not a pattern database"));
    if (bytes.size() < headerSize)
        return fail(QStringLiteral("truncated header"));
    if (getU32(p + 8) != FormatVersion)
        return fail(QStringLiteral("other format version"));
    if (getU32(p + 12) != std::uint32_t(G))
        return fail(QStringLiteral("other groups"));
    for (int t = 0; t < Fields; ++t) {
        const std::uint8_t expected = t < 15 ? std::uint8_t(db->m_groupOf[t]) : 0xFF;
        if (std::uint8_t(p[16 + t]) != expected)
            return fail(QStringLiteral("other groups"));
    }
    for (int g = 0; g < G; ++g)
        if (getU32(p + 32 + 4 * g) != placements(int(groups[g].size())))
            return fail(QStringLiteral("other table sizes"));
    if (bytes.size() < headerSize + payload)
        return fail(QStringLiteral("truncated"));
    if (bytes.size() > headerSize + payload)
        return fail(QStringLiteral("trailing bytes"));
    const std::uint32_t stored = getU32(p + headerSize - 4);
    std::uint32_t crc = crc32(0, p, std::size_t(headerSize - 4));
    crc = crc32(crc, p + headerSize, std::size_t(payload));
    if (crc != stored)
        return fail(QStringLiteral("checksum mismatch"));
    const char *q = p + headerSize;
    for (int g = 0; g < G; ++g) {
        const std::size_t n = placements(int(groups[g].size()));
        db->m_tables.emplace_back(reinterpret_cast<const std::uint8_t *>(q),
                                  reinterpret_cast<const std::uint8_t *>(q) + n);
        q += n;
    }
    if (!db->plausible())
        return fail(QStringLiteral("impossible values"));
    if (why)
        why->clear();
    return db;
}

std::shared_ptr<const PatternDatabase> PatternDatabase::loadOrBuild(const QString &file,
                                                                    Origin *origin,
                                                                    const Builder &builder)
{
    QElapsedTimer timer;
    timer.start();
    Origin o;
    auto db = load(file, &o.cacheProblem);
    if (db) {
        o.loaded = true;
    } else {
        db = builder ? builder() : build();
        if (db) {
            QString why;
            o.written = db->save(file, &why);
            if (!o.written)
                o.writeProblem = why;
        }
    }
    o.seconds = double(timer.nsecsElapsed()) / 1e9;
    if (origin)
        *origin = o;
    return db;
}

std::shared_ptr<const PatternDatabase> PatternDatabase::shared(const QString &folder,
                                                               Origin *origin)
{
    static std::mutex mutex;
    static std::map<QString, std::shared_ptr<const PatternDatabase>> instances;
    const QString file = QDir(folder).filePath(QString::fromLatin1(CacheFileName));
    const std::lock_guard<std::mutex> lock(mutex);
    auto it = instances.find(file);
    if (it != instances.end())
        return it->second;
    auto db = loadOrBuild(file, origin);
    instances.emplace(file, db);
    return db;
}
