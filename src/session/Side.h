#pragma once
// Left and right as a pair: per-side state is an array indexed by side, and
// one handler serves both sides, taking the side it acts on.

#include <array>
#include <cstddef>

enum class TSide { Left, Right };

inline constexpr std::array<TSide, 2> kSides{TSide::Left, TSide::Right};

constexpr TSide OtherSide(TSide side)
{
    return side == TSide::Left ? TSide::Right : TSide::Left;
}

// Two values of T, one for each side.
template <typename T>
struct TPerSide
{
    std::array<T, 2> values{};

    T &operator[](TSide side) { return values[static_cast<size_t>(side)]; }
    const T &operator[](TSide side) const { return values[static_cast<size_t>(side)]; }
};
