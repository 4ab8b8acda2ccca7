#include "game/PatternDatabase.h"

#include "base/FileAccess.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QThread>
#include <QtEndian>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <fcntl.h>
#include <mutex>
#include <new>
#include <sys/mman.h>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <unistd.h>

const char *const PatternDatabase::CacheFileName = "solver.pdb";

namespace {

constexpr char Magic[8] = {'Z', 'A', 'N', 'D', 'O', 'R', 'P', 'D'};
constexpr int MaxGroupSize = PatternDatabase::MaxGroupSize;
constexpr int GroupCount = PatternDatabase::GroupCount;
constexpr int Fields = PatternDatabase::Fields;
constexpr std::size_t HeaderSize = 32 + 4 * GroupCount;

// The digest (BLAKE2b-256) of the tables the build makes, payload only. The
// build is deterministic; when the groups or the build change, the unit test
// that builds the tables afresh tells the new value.
constexpr char ExpectedDigest[] = "465cd066e7769b8e31cf0c3b1a8d9b2b742359ce2bbe8e071cc770f1eecfb3ec";

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

constexpr std::size_t placements(int k)
{
    std::size_t n = 1;
    for (int i = 0; i < k; ++i)
        n *= std::size_t(Fields - i);
    return n;
}

// Two entries a byte.
constexpr std::size_t tableBytes(int k)
{
    return (placements(k) + 1) / 2;
}

// Level entries: the region's number and the mark of a placement reached
// for the first time.
constexpr std::uint32_t RegionNumber = 0x7;
constexpr std::uint32_t FirstReached = 0x8;

// Thrown out of a build that was told to stop.
struct Abandoned {};

// Memory for the build's large arrays, mapped on its own and asked for in
// huge pages where the system gives them: the search reads and writes them
// at random, and with small pages most of those accesses would first miss
// the address translation cache. Not cleared: pages never written do not
// count against the process.
template <typename T>
struct BuildArray {
    T *data = nullptr;
    std::size_t bytes = 0;

    explicit BuildArray(std::size_t n = 0) { allocate(n); }
    ~BuildArray() { release(); }
    BuildArray(const BuildArray &) = delete;
    BuildArray &operator=(const BuildArray &) = delete;
    void swap(BuildArray &other) { std::swap(data, other.data), std::swap(bytes, other.bytes); }
    T &operator[](std::size_t i) const { return data[i]; }

    void allocate(std::size_t n)
    {
        release();
        if (n == 0)
            return;
        bytes = n * sizeof(T);
        void *m = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (m == MAP_FAILED)
            throw std::bad_alloc();
        ::madvise(m, bytes, MADV_HUGEPAGE);
        data = static_cast<T *>(m);
    }
    void release()
    {
        if (data)
            ::munmap(data, bytes);
        data = nullptr;
        bytes = 0;
    }
};

// The entries of one level of the search.
struct Entries {
    BuildArray<std::uint32_t> data;
    std::size_t size = 0;
    std::size_t capacity = 0;

    // Room for n entries; made once, before the search, with room for more
    // than any level holds.
    void reserve(std::size_t n)
    {
        if (n <= capacity)
            return;
        BuildArray<std::uint32_t> d(n);
        if (size)
            std::memcpy(d.data, data.data, size * sizeof(std::uint32_t));
        data.swap(d);
        capacity = n;
    }
    void swap(Entries &other)
    {
        data.swap(other.data);
        std::swap(size, other.size);
        std::swap(capacity, other.capacity);
    }
};

// Copies the entries of from[0..n) into to, ordered by the bits from shift
// upwards (one counting pass: entries equal in those bits keep their order).
void orderByHighBits(const Entries *const *from, int n, Entries &to, int shift, int bits)
{
    std::vector<std::size_t> count((std::size_t(1) << bits) + 1, 0);
    const std::uint32_t mask = (1u << bits) - 1;
    std::size_t total = 0;
    for (int s = 0; s < n; ++s) {
        for (std::size_t i = 0; i < from[s]->size; ++i)
            ++count[((from[s]->data[i] >> shift) & mask) + 1];
        total += from[s]->size;
    }
    for (std::size_t i = 1; i < count.size(); ++i)
        count[i] += count[i - 1];
    to.size = 0;
    to.reserve(total);
    for (int s = 0; s < n; ++s)
        for (std::size_t i = 0; i < from[s]->size; ++i) {
            const std::uint32_t x = from[s]->data[i];
            to.data[count[(x >> shift) & mask]++] = x;
        }
    to.size = total;
}

// Breadth-first search for one group: the fewest moves of the group's tiles
// for every placement of them, the other tiles moving for free.
//
// A state is a placement and the region of free fields the blank is in: a
// tile of the group can move only into a field of that region. The regions
// of a placement are numbered in the order of their lowest fields (there are
// at most seven, with seven tiles). The search runs level by level; each level is
// ordered by the fields of its first tiles, so that the successors of
// consecutive states lie close together in the tables and memory is read in
// a few running streams rather than at random.
//
// A level entry holds the fields of the tiles, 4 bits each, the first tile
// highest (so the order of entries is the order of ranks), the region's
// number in the lowest 3 bits, and above them the mark of a placement
// reached for the first time: its table entry is written when the level is
// searched, in the order of the level, so that the table's memory is written
// in running streams too.
struct GroupSearch {
    int k = 0;
    // Per placement one byte: a bit per region reached (there are at most
    // seven, bits 0-6).
    BuildArray<std::uint8_t> seen;
    std::uint8_t *table = nullptr;
    const std::atomic<bool> *abandon = nullptr;
    // The Manhattan distance from home of the tile in slot i on field f.
    std::uint8_t distance[MaxGroupSize][16] = {};
    // Weight of digit i of the rank.
    std::int32_t weight[MaxGroupSize] = {};
    // The sets of free fields with 16 - k members, numbered densely so that
    // what is kept per set stays in the processor's cache: for each, the
    // number of the region of each field (4 bits per field) and the fields
    // of each region.
    std::vector<std::uint16_t> setNumber;
    std::vector<std::uint64_t> labels;
    std::vector<std::array<std::uint16_t, 8>> regions;
    // The level being searched and the moves of the successors found on it.
    Entries current;
    std::uint32_t depth = 0;

    int shiftOf(int i) const { return 4 * (k - i); }
    std::uint64_t label(std::uint32_t free) const { return labels[setNumber[free]]; }

    // Successors are collected in batches and their visited bytes fetched
    // ahead, so that many memory accesses are under way at once.
    struct Pending {
        std::uint32_t rank;
        std::uint32_t tiles;     // level entry of the successor without the region
        std::uint16_t free;      // its free fields
        std::uint8_t blank;      // the field the blank moved to
        std::uint8_t manhattan;  // the tiles' Manhattan distances from home, summed
    };
    static constexpr std::size_t BatchSize = 1024;
    // A level is searched by up to two threads, each through a run of its
    // entries into successors of its own; the runs are joined when the
    // next level is ordered.
    struct Worker {
        // Room for one more state's successors (at most 4 per tile) beyond a batch.
        std::vector<Pending> batch = std::vector<Pending>(BatchSize + 4 * MaxGroupSize);
        std::size_t batched = 0;
        Entries next;
    };

    GroupSearch(const std::vector<int> &tiles, std::uint8_t *table, const std::atomic<bool> *abandon);
    // Throws Abandoned when *abandon became true.
    void run();
};

GroupSearch::GroupSearch(const std::vector<int> &tiles, std::uint8_t *table, const std::atomic<bool> *abandon)
    : k(int(tiles.size())), seen(placements(k)), table(table), abandon(abandon), setNumber(std::size_t(1) << 16, 0)
{
    for (int i = 0; i < k; ++i)
        for (int f = 0; f < 16; ++f)
            distance[i][f] = std::uint8_t(std::abs(tiles[i] / 4 - f / 4) + std::abs(tiles[i] % 4 - f % 4));
    for (int i = 0; i < k; ++i) {
        weight[i] = 1;
        for (int j = i + 1; j < k; ++j)
            weight[i] *= 16 - j;
    }
    for (std::uint32_t free = 0; free < (1u << 16); ++free) {
        if (__builtin_popcount(free) != 16 - k)
            continue;
        setNumber[free] = std::uint16_t(labels.size());
        std::uint64_t l = 0;
        std::array<std::uint16_t, 8> r{};
        std::uint32_t rest = free;
        for (std::uint64_t number = 0; rest; ++number) {
            const std::uint32_t region = flood(rest & -rest, free);
            rest &= ~region;
            r[number] = std::uint16_t(region);
            for (std::uint32_t m = region; m; m &= m - 1)
                l |= number << (4 * __builtin_ctz(m));
        }
        labels.push_back(l);
        regions.push_back(r);
    }

    int home[MaxGroupSize];
    std::uint32_t occ = 0, start = 0;
    for (int i = 0; i < k; ++i) {
        home[i] = tiles[i];
        occ |= 1u << home[i];
        start |= std::uint32_t(home[i]) << shiftOf(i);
    }
    // The blank starts at home, on field 15; the home placement needs no
    // move (its entry, as every other, is cleared before the search).
    const std::uint32_t region0 = std::uint32_t(label(~occ & 0xFFFF) >> (4 * 15)) & 0xF;
    seen[PatternDatabase::rank(home, k)] = std::uint8_t(1u << region0);
    std::memset(table, 0, tableBytes(k));
    // Room for as many entries as there are placements, more than any level
    // holds: the arrays never grow and copy, and only what a level uses is
    // ever touched.
    current.reserve(placements(k));
    current.data[0] = start | region0 | FirstReached;
    current.size = 1;
}

// The build's inner loop is compiled a second time for processors of the
// last ten years (x86-64-v3) and that version chosen when the program
// starts on one: it runs a few per cent faster.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define BUILD_TABLE_CLONES __attribute__((target_clones("arch=x86-64-v3", "default")))
#else
#define BUILD_TABLE_CLONES
#endif

// Searches the entries [begin, end) of the search's current level into the
// worker's next level.
//
// Two threads share the visited bytes without a lock; each byte is read and
// written whole. When both reach the same placement at once, one of them
// may not see the other's mark: the state is then searched twice, or a
// region bit is lost and the state found again on a later level, where
// everything it leads to has been seen before. The entry is the same from
// either thread (it depends only on the level and the placement), so the
// tables come out the same.
BUILD_TABLE_CLONES
void searchRun(GroupSearch &g, std::size_t begin, std::size_t end, GroupSearch::Worker &w)
{
    using Pending = GroupSearch::Pending;
    const int k = g.k;
    std::uint8_t *const seen = g.seen.data;
    Pending *const batch = w.batch.data();
    // Few branches here: whether a successor is new cannot be predicted.
    auto flush = [&] {
        Entries &next = w.next;
        next.reserve(next.size + w.batched);
        std::uint32_t *out = next.data.data;
        std::size_t n = next.size;
        for (std::size_t b = 0; b < w.batched; ++b) {
            const Pending &p = batch[b];
            const std::uint32_t number = std::uint32_t(g.label(p.free) >> (4 * p.blank)) & 0xF;
            const std::uint32_t bit = 1u << number;
            const std::uint32_t word = __atomic_load_n(&seen[p.rank], __ATOMIC_RELAXED);
            const std::uint32_t entry =
                std::min<std::uint32_t>((g.depth - p.manhattan) / 2, PatternDatabase::MaxExtra);
            // The first region reached is reached by the fewest moves.
            out[n] = p.tiles | number | (word == 0 ? FirstReached : 0);
            // A move adds one to the moves and one or minus one to the
            // Manhattan distance: the entry never falls along a path. A state
            // at the cap leads only to placements at the cap, which need not
            // be reached: it is not searched on (its entry is written here).
            n += ((word & bit) == 0) & (entry < PatternDatabase::MaxExtra);
            if (word == 0 && entry == PatternDatabase::MaxExtra)
                __atomic_fetch_or(&g.table[p.rank >> 1], std::uint8_t(entry << (4 * (p.rank & 1))),
                                  __ATOMIC_RELAXED);
            __atomic_store_n(&seen[p.rank], std::uint8_t(word | bit), __ATOMIC_RELAXED);
        }
        next.size = n;
        w.batched = 0;
    };

    for (std::size_t e = begin; e < end; ++e) {
        const std::uint32_t s = g.current.data[e];
        int pos[MaxGroupSize];
        std::uint32_t occ = 0;
        // Per field holding a tile of the group: the tile's place in the
        // group and the weight of its digit.
        std::int8_t slotAt[16];
        std::int32_t weightAt[16];
        int manhattan = 0;
        for (int i = 0; i < k; ++i) {
            pos[i] = int((s >> g.shiftOf(i)) & 0xF);
            occ |= 1u << pos[i];
            slotAt[pos[i]] = std::int8_t(i);
            weightAt[pos[i]] = g.weight[i];
            manhattan += g.distance[i][pos[i]];
        }
        const std::int32_t r = std::int32_t(PatternDatabase::rank(pos, k));
        const std::uint32_t free = ~occ & 0xFFFF;
        const std::uint32_t region = g.regions[g.setNumber[free]][s & RegionNumber];
        const std::uint32_t tilesOnly = s & ~0xFu;
        // Two entries share a byte, which the other thread may be writing.
        if (s & FirstReached)
            __atomic_fetch_or(&g.table[r >> 1], std::uint8_t((g.depth - 1 - std::uint32_t(manhattan)) / 2 << (4 * (r & 1))),
                              __ATOMIC_RELAXED);
        // The tile in slot i slides from its field into the blank on a
        // neighbouring field of the blank's region; the blank takes its
        // field.
        auto add = [&](int i, int from, int to, std::int32_t r2) {
            const std::uint32_t r2u = std::uint32_t(r2);
            __builtin_prefetch(&seen[r2u], 1);
            batch[w.batched++] = {r2u,
                                  (tilesOnly & ~(0xFu << g.shiftOf(i))) | (std::uint32_t(to) << g.shiftOf(i)),
                                  std::uint16_t(~(occ ^ (1u << from) ^ (1u << to)) & 0xFFFF),
                                  std::uint8_t(from),
                                  std::uint8_t(manhattan - g.distance[i][from] + g.distance[i][to])};
        };
        // The rank changes in digit i by the step less the earlier tiles
        // passed over, and in the digit of each later tile passed over by
        // one the other way. Only a step along a column passes over
        // fields: the three between, in the order of the fields.
        auto passedOver = [&](int i, int lo) {
            std::int32_t passed = 0;
            for (std::uint32_t m = (0x7u << (lo + 1)) & occ; m; m &= m - 1) {
                const int f = __builtin_ctz(m);
                passed += slotAt[f] < i ? -g.weight[i] : weightAt[f];
            }
            return passed;
        };
        // The tiles that can move each way are those next to the blank's
        // region on that side (the masks leave out moves across the edge
        // of a row). One loop per way keeps the branches few and easy to
        // predict, which matters more here than anything else.
        for (std::uint32_t m = occ & ((region << 1) & 0xEEEEu); m; m &= m - 1) {
            const int from = __builtin_ctz(m), i = slotAt[from];
            add(i, from, from - 1, r - g.weight[i]);
        }
        for (std::uint32_t m = occ & ((region >> 1) & 0x7777u); m; m &= m - 1) {
            const int from = __builtin_ctz(m), i = slotAt[from];
            add(i, from, from + 1, r + g.weight[i]);
        }
        for (std::uint32_t m = occ & (region << 4); m; m &= m - 1) {
            const int from = __builtin_ctz(m), i = slotAt[from];
            add(i, from, from - 4, r - 4 * g.weight[i] - passedOver(i, from - 4));
        }
        for (std::uint32_t m = occ & (region >> 4); m; m &= m - 1) {
            const int from = __builtin_ctz(m), i = slotAt[from];
            add(i, from, from + 4, r + 4 * g.weight[i] + passedOver(i, from));
        }
        if (w.batched >= GroupSearch::BatchSize)
            flush();
    }
    flush();
}

// Runs the search and writes the table: tableBytes(k) bytes.
void GroupSearch::run()
{
    const std::size_t count = placements(k);
    const int keyBits = 4 * k + 4;
    const int workerCount = std::min(2, QThread::idealThreadCount());
    Worker workers[2];
    for (int w = 0; w < workerCount; ++w)
        workers[w].next.reserve(count);
    // A level this small is searched by one thread: starting another would
    // take longer than the search.
    constexpr std::size_t SharedLevel = 4096;
    constexpr std::size_t RunLength = 16384;
    for (std::uint32_t level = 0; current.size > 0; ++level) {
        depth = level + 1;
        const int used = current.size >= SharedLevel ? workerCount : 1;
        for (int w = 0; w < used; ++w)
            workers[w].next.size = 0;
        // The threads take runs of the level in turn until none is left,
        // so that neither waits long for the other at the end.
        std::atomic<std::size_t> taken{0};
        auto searchRuns = [&](Worker &w) {
            for (;;) {
                const std::size_t begin = taken.fetch_add(RunLength, std::memory_order_relaxed);
                if (begin >= current.size)
                    return;
                if (abandon && abandon->load(std::memory_order_relaxed))
                    throw Abandoned();
                searchRun(*this, begin, std::min(begin + RunLength, current.size), w);
            }
        };
        std::exception_ptr failure;
        std::thread helper;
        if (used == 2) {
            try {
                helper = std::thread([&] {
                    try {
                        searchRuns(workers[1]);
                    } catch (...) {
                        failure = std::current_exception();
                    }
                });
            } catch (const std::system_error &) {
                // No thread to be had: this one searches the whole level.
            }
        }
        try {
            searchRuns(workers[0]);
        } catch (...) {
            if (helper.joinable())
                helper.join();
            throw;
        }
        if (helper.joinable())
            helper.join();
        if (failure)
            std::rethrow_exception(failure);
        // The next level becomes the current one, ordered by the fields of
        // its first four tiles: the entries left unordered among themselves
        // share all but a few kilobytes of the tables.
        // A smaller group's level stays as it was found (two threads' parts
        // one after the other: no bits to order by).
        const Entries *const parts[2] = {&workers[0].next, &workers[1].next};
        if (k > 4)
            orderByHighBits(parts, used, current, keyBits - 16, 16);
        else if (used == 1)
            current.swap(workers[0].next);
        else
            orderByHighBits(parts, used, current, 0, 0);
    }
    // A placement never reached lies beyond the cap.
    for (std::size_t r = 0; r < count; ++r)
        if (!seen[r])
            table[r >> 1] |= std::uint8_t(PatternDatabase::MaxExtra << (4 * (r & 1)));
}

} // namespace

const std::vector<std::vector<int>> &PatternDatabase::groups()
{
    // Fields:   0  1  2  3      groups:  .  B  B  B
    //           4  5  6  7               B  B  B  B
    //           8  9 10 11               A  A  A  A
    //          12 13 14  .               A  A  A  .
    static const std::vector<std::vector<int>> g{{8, 9, 10, 11, 12, 13, 14}, {1, 2, 3, 4, 5, 6, 7}};
    return g;
}

void PatternDatabase::Unmap::operator()(std::uint8_t *p) const
{
    ::munmap(p, size);
}

PatternDatabase::PatternDatabase()
{
    std::fill(std::begin(m_groupOf), std::end(m_groupOf), -1);
    m_header = HeaderSize;
    m_size = HeaderSize;
    for (int g = 0; g < GroupCount; ++g) {
        for (int t : groups()[g])
            m_groupOf[t] = g;
        m_size += tableBytes(int(groups()[g].size()));
    }
    // Mapped on its own and asked for in huge pages where the system gives
    // them: the search reads the tables at random, and with small pages most
    // of those reads would first miss the address translation cache. Not
    // cleared: every byte is written by the build or the read.
    void *m = ::mmap(nullptr, m_size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (m == MAP_FAILED)
        throw std::bad_alloc();
    ::madvise(m, m_size, MADV_HUGEPAGE);
    m_file = std::unique_ptr<std::uint8_t[], Unmap>(static_cast<std::uint8_t *>(m), Unmap{m_size});
    std::uint8_t *t = m_file.get() + HeaderSize;
    for (int g = 0; g < GroupCount; ++g) {
        m_table[g] = t;
        t += tableBytes(int(groups()[g].size()));
    }
}

// The header; a cache file must start with exactly this.
void PatternDatabase::writeHeader()
{
    std::uint8_t *h = m_file.get();
    std::memcpy(h, Magic, sizeof Magic);
    qToLittleEndian<quint32>(FormatVersion, h + 8);
    qToLittleEndian<quint32>(GroupCount, h + 12);
    for (int t = 0; t < Fields; ++t)
        h[16 + t] = m_groupOf[t] < 0 ? 0xFF : std::uint8_t(m_groupOf[t]);
    for (int g = 0; g < GroupCount; ++g)
        qToLittleEndian<quint32>(quint32(tableBytes(int(groups()[g].size()))), h + 32 + 4 * g);
}

QByteArray PatternDatabase::expectedDigest()
{
    return QByteArray::fromHex(ExpectedDigest);
}

QByteArray PatternDatabase::digest() const
{
    QCryptographicHash hash(QCryptographicHash::Blake2b_256);
    hash.addData(QByteArrayView(m_file.get() + m_header, qsizetype(m_size - m_header)));
    return hash.result();
}

std::shared_ptr<const PatternDatabase> PatternDatabase::build(const std::atomic<bool> *abandon)
{
    try {
        std::shared_ptr<PatternDatabase> db(new PatternDatabase);
        db->writeHeader();
        for (int g = 0; g < GroupCount; ++g)
            GroupSearch(groups()[g], db->m_table[g], abandon).run();
        return db;
    } catch (const Abandoned &) {
    } catch (const std::bad_alloc &) {
    }
    return nullptr;
}

bool PatternDatabase::save(const QString &file) const
{
    return FileAccess::writeAtomically(
        file, QByteArray::fromRawData(reinterpret_cast<const char *>(m_file.get()), qsizetype(m_size)),
        FileAccess::Durability::Cache);
}

namespace {

// Reads up to n bytes; fewer only at the end of the file or on an error.
std::size_t readFully(int fd, std::uint8_t *to, std::size_t n)
{
    std::size_t got = 0;
    while (got < n) {
        const ssize_t r = ::read(fd, to + got, n - got);
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            break;
        got += std::size_t(r);
    }
    return got;
}

struct Fd {
    int fd;
    ~Fd() { if (fd >= 0) ::close(fd); }
};

} // namespace

std::shared_ptr<const PatternDatabase> PatternDatabase::load(const QString &file, QString *why)
{
    auto fail = [why](const char *reason) {
        *why = QString::fromLatin1(reason);
        return std::shared_ptr<const PatternDatabase>();
    };
    // Non-blocking, so that a FIFO does not wait for a writer; the type is
    // then checked on what was really opened.
    const Fd f{::open(QFile::encodeName(file).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)};
    if (f.fd < 0)
        return fail(errno == ENOENT || errno == ENOTDIR ? "missing" : "cannot be opened");
    struct stat st;
    if (::fstat(f.fd, &st) != 0 || !S_ISREG(st.st_mode))
        return fail("not a regular file");

    std::shared_ptr<PatternDatabase> db(new PatternDatabase);
    std::uint8_t *p = db->m_file.get();
    const std::size_t header = readFully(f.fd, p, HeaderSize);
    if (header >= sizeof Magic && std::memcmp(p, Magic, sizeof Magic) != 0)
        return fail("not a pattern database");
    if (header < HeaderSize)
        return fail("truncated header");
    // Compare the header with the one these tables have.
    std::uint8_t read[HeaderSize];
    std::memcpy(read, p, HeaderSize);
    db->writeHeader();
    if (qFromLittleEndian<quint32>(read + 8) != FormatVersion)
        return fail("other format version");
    if (std::memcmp(read, p, 32) != 0)
        return fail("other groups");
    if (std::memcmp(read, p, HeaderSize) != 0)
        return fail("other table sizes");
    const std::size_t payload = db->m_size - HeaderSize;
    if (readFully(f.fd, p + HeaderSize, payload) < payload)
        return fail("truncated");
    std::uint8_t extra;
    if (readFully(f.fd, &extra, 1) != 0)
        return fail("trailing bytes");
    if (db->digest() != expectedDigest())
        return fail("other tables");
    why->clear();
    return db;
}

std::shared_ptr<const PatternDatabase> PatternDatabase::loadOrBuild(const QString &file,
                                                                    Origin *origin,
                                                                    const Builder &builder,
                                                                    const std::atomic<bool> *abandon)
{
    Origin o;
    auto db = load(file, &o.cacheProblem);
    if (db) {
        o.loaded = true;
    } else {
        db = builder ? builder() : build(abandon);
        // A folder, FIFO or device standing at the name is left alone; a
        // link is replaced by the new file, its target is not written.
        struct stat st;
        const bool replaceable = ::lstat(QFile::encodeName(file).constData(), &st) != 0
            || S_ISREG(st.st_mode) || S_ISLNK(st.st_mode);
        o.written = db && replaceable && db->save(file);
    }
    if (origin)
        *origin = o;
    return db;
}

namespace {

// The tables of the process, made on a thread of their own: a search that
// waits for them may be cancelled without stopping the work, which the next
// search then finds done. At the end of the process an unfinished build is
// abandoned.
struct SharedTables {
    std::mutex mutex;
    std::condition_variable done;
    std::shared_ptr<const PatternDatabase> tables;
    PatternDatabase::Origin origin;
    bool making = false;
    std::thread maker;
    std::atomic<bool> abandon{false};

    ~SharedTables()
    {
        abandon = true;
        if (maker.joinable())
            maker.join();
    }
};

} // namespace

std::shared_ptr<const PatternDatabase> PatternDatabase::shared(const QString &folder,
                                                               const std::atomic<bool> *cancel,
                                                               Origin *origin)
{
    static SharedTables s;
    std::unique_lock<std::mutex> lock(s.mutex);
    if (!s.tables && !s.making) {
        // First asked for, or the last attempt found no memory: made anew.
        if (s.maker.joinable())
            s.maker.join();
        const QString file = QDir(folder).filePath(QString::fromLatin1(CacheFileName));
        auto make = [file] {
            Origin o;
            std::shared_ptr<const PatternDatabase> db;
            try {
                db = loadOrBuild(file, &o, {}, &s.abandon);
            } catch (const std::bad_alloc &) {
                // No memory for the tables: asked for again by the next search.
            }
            const std::lock_guard<std::mutex> lock(s.mutex);
            s.tables = std::move(db);
            s.origin = o;
            s.making = false;
            s.done.notify_all();
        };
        s.making = true;
        try {
            s.maker = std::thread(make);
        } catch (const std::system_error &) {
            // No thread to be had: made on this one, not to be cancelled.
            lock.unlock();
            make();
            lock.lock();
        }
    }
    while (s.making) {
        if (cancel && cancel->load(std::memory_order_relaxed))
            return nullptr;
        s.done.wait_for(lock, std::chrono::milliseconds(10));
    }
    if (origin)
        *origin = s.origin;
    return s.tables;
}
