#include "allocations.h"

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <thread>

namespace ziptest::allocations {
namespace {

std::atomic<bool> armed{false};
std::atomic<bool> happened{false};
std::atomic<int> where_armed{0};
std::atomic<uint64_t> countdown{0};
std::thread::id caller;
std::atomic<size_t> current{0};
std::atomic<size_t> highest{0};
std::atomic<size_t> base{0};

bool should_fail() {
    if (!armed.load(std::memory_order_acquire)) return false;
    const bool on_caller = std::this_thread::get_id() == caller;
    if (on_caller != (where_armed.load() == static_cast<int>(Where::caller))) return false;
    if (countdown.fetch_sub(1) != 1) return false;
    armed = false;
    happened = true;
    return true;
}

void* allocate(size_t size) {
    if (should_fail()) return nullptr;
    void* block = std::malloc(size ? size : 1);
    if (block) {
        const size_t now = current.fetch_add(malloc_usable_size(block)) + malloc_usable_size(block);
        for (size_t seen = highest.load(); now > seen && !highest.compare_exchange_weak(seen, now);) {
        }
    }
    return block;
}

void release(void* block) {
    if (!block) return;
    current.fetch_sub(malloc_usable_size(block));
    std::free(block);
}

}  // namespace

void fail_nth(Where where, uint64_t n) {
    caller = std::this_thread::get_id();
    where_armed = static_cast<int>(where);
    happened = false;
    countdown = n;
    armed.store(true, std::memory_order_release);
}

bool disarm() {
    armed = false;
    return happened;
}

void reset_peak() {
    base = current.load();
    highest = base.load();
}

size_t peak() { return highest - base; }

}  // namespace ziptest::allocations

using ziptest::allocations::allocate;
using ziptest::allocations::release;

void* operator new(size_t size) {
    if (void* block = allocate(size)) return block;
    throw std::bad_alloc();
}
void* operator new[](size_t size) { return operator new(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept { return allocate(size); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return allocate(size); }
void operator delete(void* block) noexcept { release(block); }
void operator delete[](void* block) noexcept { release(block); }
void operator delete(void* block, size_t) noexcept { release(block); }
void operator delete[](void* block, size_t) noexcept { release(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { release(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { release(block); }
