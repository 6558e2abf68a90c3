#pragma once

#include <concepts>
#include <limits>

namespace pacemark {

// Token sums saturate at the 64-bit limits: absurd counts in a corrupt log must not wrap around
// into negative totals (signed overflow is also undefined behaviour).
namespace TokenMath {

template <std::signed_integral T>
T add(T a, T b)
{
    T sum;
    if (__builtin_add_overflow(a, b, &sum))
        return b > 0 ? std::numeric_limits<T>::max() : std::numeric_limits<T>::min();
    return sum;
}

template <std::signed_integral T, std::signed_integral U>
void accumulate(T& total, U value)
{
    static_assert(sizeof(T) == sizeof(U));
    total = add(total, static_cast<T>(value));
}

}

}
