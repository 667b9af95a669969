#pragma once

#include <cstddef>
#include <string_view>

namespace morv {

// What turns oldText into newText as one replacement: oldText[start, oldEnd) gives way to
// newText[start, newEnd). The head and tail the two texts share are left out, and neither end
// falls inside a UTF-8 character or between the CR and the LF of a line break, so that the
// replaced piece is whole text on both sides.
struct ChangedRange {
    size_t start = 0;
    size_t oldEnd = 0;
    size_t newEnd = 0;
    bool Empty() const { return start == oldEnd && start == newEnd; }
};

ChangedRange FindChangedRange(std::string_view oldText, std::string_view newText);

}  // namespace morv
