#pragma once
// The native tests' operator new: it can fail the Nth allocation made on the
// caller's thread or on the others (the library's workers), once, and keeps
// the peak of what is allocated, so that tests can prove how a run behaves
// when memory runs out and how much it holds.
#include <cstddef>
#include <cstdint>

namespace ziptest::allocations {

enum class Where { caller, workers };

/// From now on, the `n`th allocation (1 is the next) made `where` (the
/// caller being this thread) throws std::bad_alloc, or returns null for the
/// nothrow forms.
void fail_nth(Where where, uint64_t n);
/// Stops failing; whether the failure happened.
bool disarm();

/// Restarts the peak at what is allocated now; the peak since, in bytes, above that.
void reset_peak();
size_t peak();

}  // namespace ziptest::allocations
