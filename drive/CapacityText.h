// Capacities as the user reads them: "1.86 GB", "512.00 kB".
#pragma once

#include <cstdint>
#include <string>

struct ScaledCapacity {
    double value = 0;   // bytes divided by the unit
    const char* unit;   // "GB", "MB" or "kB"
};

// Returns B / 2^30 "GB" from 2^30 bytes on, else B / 2^20 "MB" from 2^20
// bytes on, else B / 1024 "kB".
ScaledCapacity ScaleCapacity(int64_t bytes);

// Returns value rounded to four decimal places (half away from zero).
double RoundToFourDecimals(double value);

// Returns the value with at least one integer digit and exactly two
// decimals, the given decimal separator, no grouping, then " " and the unit.
std::string FormatCapacity(const ScaledCapacity& capacity, const std::string& decimalPoint = ".");

// Returns a count of bytes with its thousands grouped: "8,389,632".
std::string GroupedNumber(int64_t value);
