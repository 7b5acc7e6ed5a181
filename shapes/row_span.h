#pragma once

#include <cstdint>

// The columns first .. end - 1 of a row, empty when first == end.
struct RowSpan {
    int32_t first = 0;
    int32_t end = 0;
};
