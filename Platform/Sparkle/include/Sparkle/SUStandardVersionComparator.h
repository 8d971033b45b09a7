#pragma once

#include <QString>

namespace platform {

// Orders version texts as people read them: "1.10" after "1.9", "2.0b1"
// before "2.0", "202501021200" after "202501011200". The text is cut into
// runs of digits, runs of letters and single separators; runs are compared
// in turn, numbers by value, letters by character codes. A version that goes
// on where the other ends is newer when it goes on with a number and older
// when it goes on with letters (a pre-release suffix).
class SUStandardVersionComparator {
public:
    // Negative, zero or positive as `a` is older than, the same as, or newer
    // than `b`.
    static int compareVersions(const QString& a, const QString& b);
};

}  // namespace platform
