#include "drive/CapacityText.h"

#include <cmath>
#include <cstdio>

ScaledCapacity ScaleCapacity(int64_t bytes)
{
    const double b = static_cast<double>(bytes);
    if (bytes >= 1073741824LL)
        return {b / 1073741824.0, "GB"};
    if (bytes >= 1048576LL)
        return {b / 1048576.0, "MB"};
    return {b / 1024.0, "kB"};
}

double RoundToFourDecimals(double value)
{
    return std::round(value * 10000.0) / 10000.0;
}

std::string FormatCapacity(const ScaledCapacity& capacity, const std::string& decimalPoint)
{
    // Rounded in integer hundredths so the text never depends on the C
    // library's locale.
    const double hundredths = std::round(std::fabs(capacity.value) * 100.0);
    const auto whole = static_cast<long long>(hundredths / 100.0);
    const auto cents = static_cast<int>(hundredths - static_cast<double>(whole) * 100.0);
    char digits[64];
    std::snprintf(digits, sizeof digits, "%s%lld", capacity.value < 0 ? "-" : "", whole);
    char fraction[8];
    std::snprintf(fraction, sizeof fraction, "%02d", cents);
    return std::string(digits) + decimalPoint + fraction + " " + capacity.unit;
}

std::string GroupedNumber(int64_t value)
{
    const std::string digits = std::to_string(value < 0 ? -value : value);
    std::string grouped;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            grouped += ',';
        grouped += digits[i];
    }
    return value < 0 ? "-" + grouped : grouped;
}
