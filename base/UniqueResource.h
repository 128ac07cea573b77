#pragma once
#include <utility>
#include <windows.h>

// Owns one system resource and releases it exactly once. Traits name the type, the value that
// means "nothing", the validity test and the release call.
template <typename Traits> class UniqueResource {
public:
    using Type = typename Traits::Type;

    UniqueResource() = default;
    explicit UniqueResource(Type value) : m_value(value) {}
    ~UniqueResource() { reset(); }
    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;
    UniqueResource(UniqueResource&& other) noexcept : m_value(other.release()) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }

    Type get() const { return m_value; }
    bool valid() const { return Traits::IsValid(m_value); }
    explicit operator bool() const { return valid(); }

    void reset(Type value = Traits::Empty()) {
        if (Traits::IsValid(m_value)) {
            Traits::Release(m_value);
        }
        m_value = value;
    }
    Type release() { return std::exchange(m_value, Traits::Empty()); }

private:
    Type m_value = Traits::Empty();
};

struct KernelHandleTraits {
    using Type = HANDLE;
    static Type Empty() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Release(Type h) { CloseHandle(h); }
};
using UniqueHandle = UniqueResource<KernelHandleTraits>;

struct GdiObjectTraits {
    using Type = HGDIOBJ;
    static Type Empty() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Release(Type h) { DeleteObject(h); }
};
using UniqueGdiObject = UniqueResource<GdiObjectTraits>;
