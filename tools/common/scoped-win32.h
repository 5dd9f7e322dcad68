#pragma once
// Owners for the Windows resources the tools hold: each closes its resource
// exactly once, cannot be copied, and can be moved out of a function.
#include <windows.h>
#include <objbase.h>

#include <utility>

namespace tools {

/// One owned value of a handle kind described by `Traits` (its type, its
/// empty value and how to release it).
template <typename Traits>
class Scoped {
public:
    using Handle = typename Traits::Handle;

    Scoped() = default;
    explicit Scoped(Handle handle) : handle_(handle) {}
    ~Scoped() { reset(); }
    Scoped(const Scoped&) = delete;
    Scoped& operator=(const Scoped&) = delete;
    Scoped(Scoped&& other) noexcept : handle_(other.take()) {}
    Scoped& operator=(Scoped&& other) noexcept {
        if (this != &other) reset(other.take());
        return *this;
    }

    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != Traits::empty(); }
    /// Gives up ownership without releasing.
    Handle take() { return std::exchange(handle_, Traits::empty()); }
    void reset(Handle handle = Traits::empty()) {
        if (handle_ != Traits::empty()) Traits::release(handle_);
        handle_ = handle;
    }

private:
    Handle handle_ = Traits::empty();
};

struct KernelHandleTraits {
    using Handle = HANDLE;
    static Handle empty() { return nullptr; }
    static void release(Handle h) { CloseHandle(h); }
};
/// CreateFile answers INVALID_HANDLE_VALUE, not null, on failure.
struct FileHandleTraits {
    using Handle = HANDLE;
    static Handle empty() { return INVALID_HANDLE_VALUE; }
    static void release(Handle h) { CloseHandle(h); }
};
struct GdiObjectTraits {
    using Handle = HGDIOBJ;
    static Handle empty() { return nullptr; }
    static void release(Handle h) { DeleteObject(h); }
};
struct MemoryDcTraits {
    using Handle = HDC;
    static Handle empty() { return nullptr; }
    static void release(Handle h) { DeleteDC(h); }
};
struct WindowTraits {
    using Handle = HWND;
    static Handle empty() { return nullptr; }
    static void release(Handle h) { DestroyWindow(h); }
};

struct RegistryKeyTraits {
    using Handle = HKEY;
    static Handle empty() { return nullptr; }
    static void release(Handle h) { RegCloseKey(h); }
};

using ScopedHandle = Scoped<KernelHandleTraits>;
using ScopedRegistryKey = Scoped<RegistryKeyTraits>;
using ScopedFile = Scoped<FileHandleTraits>;
using ScopedGdiObject = Scoped<GdiObjectTraits>;
using ScopedMemoryDc = Scoped<MemoryDcTraits>;
using ScopedWindow = Scoped<WindowTraits>;

/// The device context of the whole screen (GetDC(nullptr)).
class ScreenDc {
public:
    ScreenDc() : dc_(GetDC(nullptr)) {}
    ~ScreenDc() {
        if (dc_) ReleaseDC(nullptr, dc_);
    }
    ScreenDc(const ScreenDc&) = delete;
    ScreenDc& operator=(const ScreenDc&) = delete;
    HDC get() const { return dc_; }

private:
    HDC dc_;
};

/// Selects a GDI object into a DC and puts the previous one back.
class ScopedSelection {
public:
    ScopedSelection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    ~ScopedSelection() { SelectObject(dc_, previous_); }
    ScopedSelection(const ScopedSelection&) = delete;
    ScopedSelection& operator=(const ScopedSelection&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

/// COM on the calling thread, single-threaded apartment as the shell wants.
/// Balanced only when this object's own call succeeded.
class ScopedComInit {
public:
    ScopedComInit() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ScopedComInit() {
        if (SUCCEEDED(result_)) CoUninitialize();
    }
    ScopedComInit(const ScopedComInit&) = delete;
    ScopedComInit& operator=(const ScopedComInit&) = delete;
    /// S_OK or S_FALSE when usable; RPC_E_CHANGED_MODE means another apartment
    /// kind is already set up, in which COM works as well.
    HRESULT result() const { return result_; }

private:
    HRESULT result_;
};

/// One reference to a COM interface.
template <typename Interface>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() { reset(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) {
            reset();
            pointer_ = std::exchange(other.pointer_, nullptr);
        }
        return *this;
    }

    Interface* get() const { return pointer_; }
    Interface* operator->() const { return pointer_; }
    explicit operator bool() const { return pointer_ != nullptr; }
    /// For functions that hand out a new reference; releases the current one.
    Interface** put() {
        reset();
        return &pointer_;
    }
    void** put_void() { return reinterpret_cast<void**>(put()); }
    void reset() {
        if (pointer_) std::exchange(pointer_, nullptr)->Release();
    }

private:
    Interface* pointer_ = nullptr;
};

}  // namespace tools
