// The one home of reference counting and interface lookup for every object
// of ours a VST3 host (or vesk-host, hosting one) holds: an object counts its
// references once, and each interface it offers is a facet that hands
// counting and lookup to the object. Also the text conversions the
// interfaces' UTF-16 strings need.
#pragma once

#include <atomic>
#include <cstring>
#include <string>

#include "formats/vst3/vst3.h"

namespace Vst3 {

/// An object handed out through interfaces: one count for all of them,
/// deleted when the last reference goes.
class RefCounted {
public:
    RefCounted() = default;
    RefCounted(const RefCounted&) = delete;
    RefCounted& operator=(const RefCounted&) = delete;

    uint32_t retain() { return refs.fetch_add(1, std::memory_order_relaxed) + 1; }
    uint32_t drop()
    {
        const uint32_t left = refs.fetch_sub(1, std::memory_order_acq_rel) - 1;
        if (left == 0) delete this;
        return left;
    }

protected:
    virtual ~RefCounted() = default;

private:
    std::atomic<uint32_t> refs{1};
};

/// One interface of Owner: its FUnknown part is the owner's.
template <class Owner, class Interface>
class Facet : public Interface {
public:
    explicit Facet(Owner& o) : owner(o) {}
    tresult queryInterface(const TUID id, void** obj) override { return owner.query(id, obj); }
    uint32_t addRef() override { return owner.retain(); }
    uint32_t release() override { return owner.drop(); }

protected:
    ~Facet() = default;
    Owner& owner;
};

/// Hands out an interface pointer, counted, for a lookup that found it.
inline tresult handOut(FUnknown* found, void** obj)
{
    found->addRef();
    *obj = found;
    return kResultOk;
}

/// A lookup that found nothing.
inline tresult noInterface(void** obj)
{
    if (obj) *obj = nullptr;
    return kNoInterface;
}

/// The interface the object behind any of its interfaces offers as I, counted, or null.
template <class I>
I* ask(FUnknown* object)
{
    void* found = nullptr;
    if (!object || object->queryInterface(I::iid.bytes, &found) != kResultOk) return nullptr;
    return static_cast<I*>(found);
}

/// UTF-8 into a terminated UTF-16 field of capacity units (cut at a whole character).
inline void toUtf16(const char* text, TChar* out, size_t capacity)
{
    if (!out || capacity == 0) return;
    size_t n = 0;
    const auto* s = reinterpret_cast<const unsigned char*>(text ? text : "");
    while (*s) {
        uint32_t c = *s++;
        int more = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
        if (c >= 0x80 && more == 0) c = 0xFFFD;  // a stray continuation byte
        c &= more == 3 ? 0x07 : more == 2 ? 0x0F : more == 1 ? 0x1F : 0xFF;
        for (; more > 0; --more) {
            if ((*s & 0xC0) != 0x80) {
                c = 0xFFFD;
                break;
            }
            c = (c << 6) | (*s++ & 0x3F);
        }
        const size_t units = c >= 0x10000 ? 2 : 1;
        if (n + units >= capacity) break;
        if (units == 2) {
            c -= 0x10000;
            out[n++] = static_cast<TChar>(0xD800 + (c >> 10));
            out[n++] = static_cast<TChar>(0xDC00 + (c & 0x3FF));
        } else {
            out[n++] = static_cast<TChar>(c);
        }
    }
    out[n] = 0;
}

/// A terminated UTF-16 string (at most limit units) as UTF-8.
inline std::string toUtf8(const TChar* text, size_t limit = 4096)
{
    std::string out;
    for (size_t i = 0; text && i < limit && text[i]; ++i) {
        uint32_t c = text[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < limit && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000)
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        else if (c >= 0xD800 && c < 0xE000)
            c = 0xFFFD;
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

/// Text into a fixed char field, cut and terminated.
inline void copyText(char* out, size_t capacity, const char* text)
{
    if (capacity == 0) return;
    const size_t n = text ? strnlen(text, capacity - 1) : 0;
    if (n) std::memcpy(out, text, n);
    out[n] = 0;
}

}  // namespace Vst3
