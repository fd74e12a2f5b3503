// Number conversions for script arguments that must end up as C integers.
#pragma once

#include <climits>
#include <cmath>

// Truncates toward zero; NaN reads as 0 and values beyond int's range stop at its ends.
inline int TruncateToInt(double value)
{
    if (std::isnan(value))
        return 0;
    if (value <= INT_MIN)
        return INT_MIN;
    if (value >= INT_MAX)
        return INT_MAX;
    return static_cast<int>(value);
}
