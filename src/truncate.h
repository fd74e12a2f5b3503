// Narrowing a script's number to an int the way the engine and the bindings both read one.
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
