#include "comm/core/PortDetails.h"

#include <algorithm>
#include <cctype>

namespace wayline {

namespace {

bool IsDigit(char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

} // namespace

bool NaturalLess(const std::string& a, const std::string& b) {
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (IsDigit(a[i]) && IsDigit(b[j])) {
            // Compare the two runs of digits as numbers: without leading
            // zeros the longer run is the larger, else the first difference.
            std::size_t ai = i;
            std::size_t bj = j;
            while (ai < a.size() && a[ai] == '0') {
                ++ai;
            }
            while (bj < b.size() && b[bj] == '0') {
                ++bj;
            }
            std::size_t aEnd = ai;
            std::size_t bEnd = bj;
            while (aEnd < a.size() && IsDigit(a[aEnd])) {
                ++aEnd;
            }
            while (bEnd < b.size() && IsDigit(b[bEnd])) {
                ++bEnd;
            }
            if (aEnd - ai != bEnd - bj) {
                return aEnd - ai < bEnd - bj;
            }
            const int order = a.compare(ai, aEnd - ai, b, bj, bEnd - bj);
            if (order != 0) {
                return order < 0;
            }
            i = aEnd;
            j = bEnd;
            continue;
        }
        if (a[i] != b[j]) {
            return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]);
        }
        ++i;
        ++j;
    }
    if (a.size() - i != b.size() - j) {
        return a.size() - i < b.size() - j;
    }
    return a < b; // equal up to leading zeros: keep a strict order
}

void SortPortsNaturally(std::vector<TPortDetails>& ports) {
    std::stable_sort(ports.begin(), ports.end(), [](const TPortDetails& a, const TPortDetails& b) {
        return NaturalLess(a.Name, b.Name);
    });
}

} // namespace wayline
