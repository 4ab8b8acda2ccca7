#include "game/Shuffle.h"

#include "game/Tiles.h"

#include <algorithm>
#include <array>
#include <chrono>

RandomSource::RandomSource()
    : m_gen(static_cast<std::uint64_t>(std::chrono::high_resolution_clock::now().time_since_epoch().count()))
{
}

RandomSource::RandomSource(std::uint64_t seed)
    : m_gen(seed)
{
}

float RandomSource::next()
{
    // 24 random bits: every value is exact in single precision and below 1.
    return static_cast<float>(m_gen() >> 40) * (1.0f / 16777216.0f);
}

namespace {
bool isEven(const QVector<qint16> &z, int n)
{
    std::array<int, Tiles::MaxFields> values{};
    for (int i = 0; i < n; ++i)
        values[i] = z[i];
    return Tiles::isEvenArrangement(values.data(), n);
}

bool isIdentity(const QVector<qint16> &z, int n)
{
    for (int i = 0; i < n; ++i)
        if (z[i] != i)
            return false;
    return true;
}
} // namespace

QVector<qint16> Steine_Mischen(const RandomDraw &draw, int side)
{
    const int n = Tiles::fieldCount(Tiles::isSide(side) ? side : Tiles::DocumentedSide);
    QVector<qint16> z(n + 1, 0);
    do {
        int i = 0;
        while (i <= n - 2) {
            float r = draw();
            if (!(r >= 0.0f && r < 1.0f))  // a generator must not push us off the board
                r = 0.0f;
            z[i] = static_cast<qint16>(std::min(static_cast<float>(n - 1) * r, static_cast<float>(n - 2)));
            bool repeated = false;
            for (int k = 0; k < i; ++k) {
                if (z[k] == z[i]) {
                    repeated = true;
                    break;
                }
            }
            if (!repeated)
                ++i;
        }
        // With the empty field at home only an even arrangement can be solved.
        if (!isEven(z, n - 1))
            std::swap(z[n - 3], z[n - 2]);
    } while (isIdentity(z, n - 1));
    z[n - 1] = n - 1;
    z[n] = n;
    return z;
}
