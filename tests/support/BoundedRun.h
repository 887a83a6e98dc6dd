// Runs a piece of a test in a forked child under limits the test process itself must not meet: a
// cap on the address space, past which any allocation is reported as a failure, and a hang guard.
// What the child found comes back as text, since its own GoogleTest state is lost with it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace fu::test {

struct BoundedRunLimits {
    // Bytes the child may map beyond what it has when it starts; 0 leaves the address space alone.
    uint64_t extraAddressSpace = 0;
    // A guard, not a measure: a hang fails the test long before CTest would stop it.
    unsigned hangGuardSeconds = 120;
};

// "" when `body` answered "". Otherwise the body's answer, or what stopped it: an allocation the
// cap refused (even one the code under test would have caught), a signal, the hang guard.
[[nodiscard]] std::string runBounded(const std::function<std::string()>& body,
                                     const BoundedRunLimits& limits);

// Collects what a child finds wrong, one line each, for runBounded to carry home.
class ChildChecks {
public:
    void expect(bool holds, const std::string& what) {
        if (!holds) failures_.push_back(what);
    }
    [[nodiscard]] std::string report() const;

private:
    std::vector<std::string> failures_;
};

} // namespace fu::test
