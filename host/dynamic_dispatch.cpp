#include "host/dynamic_dispatch.h"

#include "framework/text.h"

#include <cstdio>
#include <cstring>
#include <limits>

COleDynamicDispatchDriver& COleDynamicDispatchDriver::operator=(const COleDynamicDispatchDriver& other) noexcept
{
    if (this != &other) {
        COleDispatchDriver::operator=(other);
        m_cache.clear();
    }
    return *this;
}

DISPID COleDynamicDispatchDriver::GetDispID(const char* name) noexcept
try {
    if (name == nullptr)
        return -1;
    if (auto cached = m_cache.find(std::string_view(name)); cached != m_cache.end())
        return cached->second;
    std::wstring wide = fw::Widen(name);
    if (wide.empty() && *name != '\0')
        return -1;
    if (m_lpDispatch == nullptr)
        return -1;
    LPOLESTR names[] = {wide.data()};
    DISPID id = -1;
    if (FAILED(m_lpDispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_SYSTEM_DEFAULT, &id)))
        return -1;
    m_cache.emplace(name, id);
    return id;
} catch (...) {
    return -1;
}

namespace {

template <typename Value>
std::string Format(const char* format, Value value)
{
    int length = std::snprintf(nullptr, 0, format, value);
    if (length <= 0)
        return {};
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    std::snprintf(text.data(), text.size(), format, value);
    text.resize(static_cast<std::size_t>(length));
    return text;
}

// The bytes of a one-dimensional byte array from its lower to its upper bound; anything else is empty.
std::string ByteArrayToString(SAFEARRAY* array)
{
    LONG lower = 0;
    LONG upper = 0;
    if (array == nullptr || SafeArrayGetDim(array) != 1 || SafeArrayGetElemsize(array) != 1 ||
        FAILED(SafeArrayGetLBound(array, 1, &lower)) || FAILED(SafeArrayGetUBound(array, 1, &upper)))
        return {};
    long long count = static_cast<long long>(upper) - lower + 1;
    if (count <= 0)
        return {};
    fw::safearray_access data(array);
    if (!data)
        return {};
    return std::string(static_cast<const char*>(data.data()), static_cast<std::size_t>(count));
}

std::string DecimalToString(const DECIMAL& value)
{
    BSTR text = nullptr;
    if (FAILED(VarBstrFromDec(const_cast<DECIMAL*>(&value), LOCALE_INVARIANT, 0, &text)))
        return {};
    fw::unique_bstr owner(text);
    return fw::BstrToNarrow(owner.get());
}

using Formatter = std::string (*)(const VARIANT&);

struct TypeFormat {
    VARTYPE type;
    Formatter format;
};

// Text of each VARIANT type the add-in may receive. The types its callers pass (the first group) follow the
// runtime library's formatting in the current locale. The rest are printed with their full values, read
// from the member of their own type, and VT_DECIMAL in the invariant locale: reading them all from the
// 16-bit or 32-bit integer member would print truncated or uninitialised bytes.
constexpr TypeFormat typeFormats[] = {
    {VT_I2, [](const VARIANT& v) { return Format("%d", V_I2(&v)); }},
    {VT_I4, [](const VARIANT& v) { return Format("%ld", V_I4(&v)); }},
    {VT_R4, [](const VARIANT& v) { return Format("%f", static_cast<double>(V_R4(&v))); }},
    {VT_R8, [](const VARIANT& v) { return Format("%lf", V_R8(&v)); }},
    {VT_DATE, [](const VARIANT&) { return std::string("Date"); }},
    {VT_ERROR, [](const VARIANT&) { return std::string("Error"); }},
    {VT_BOOL, [](const VARIANT& v) { return std::string(V_BOOL(&v) == VARIANT_FALSE ? "false" : "true"); }},
    {VT_BSTR, [](const VARIANT& v) { return fw::BstrToNarrow(V_BSTR(&v)); }},
    {VT_LPWSTR,
     [](const VARIANT& v) {
         const auto* text = static_cast<const wchar_t*>(V_BYREF(&v));
         return text == nullptr ? std::string() : fw::Narrow(text);
     }},
    {VT_ARRAY | VT_UI1, [](const VARIANT& v) { return ByteArrayToString(V_ARRAY(&v)); }},
    {VT_ARRAY | VT_I1, [](const VARIANT& v) { return ByteArrayToString(V_ARRAY(&v)); }},

    {VT_I1, [](const VARIANT& v) { return Format("%d", static_cast<int>(V_I1(&v))); }},
    {VT_UI1, [](const VARIANT& v) { return Format("%u", static_cast<unsigned>(V_UI1(&v))); }},
    {VT_UI2, [](const VARIANT& v) { return Format("%u", static_cast<unsigned>(V_UI2(&v))); }},
    {VT_INT, [](const VARIANT& v) { return Format("%d", V_INT(&v)); }},
    {VT_UINT, [](const VARIANT& v) { return Format("%u", V_UINT(&v)); }},
    {VT_UI4, [](const VARIANT& v) { return Format("%lu", V_UI4(&v)); }},
    {VT_I8, [](const VARIANT& v) { return Format("%lld", V_I8(&v)); }},
    {VT_UI8, [](const VARIANT& v) { return Format("%llu", V_UI8(&v)); }},
    {VT_DECIMAL, [](const VARIANT& v) { return DecimalToString(V_DECIMAL(&v)); }},
    {VT_LPSTR,
     [](const VARIANT& v) {
         const auto* text = static_cast<const char*>(V_BYREF(&v));
         return text == nullptr ? std::string() : std::string(text);
     }},
};

} // namespace

std::string VariantToString(const VARIANT& value)
try {
    for (const TypeFormat& entry : typeFormats)
        if (entry.type == V_VT(&value))
            return entry.format(value);
    return {};
} catch (...) {
    return {};
}

VARIANT VariantFrom() noexcept
{
    return fw::MissingArgument().release();
}

VARIANT VariantFrom(const char* text)
{
    return fw::MakeVariant(text).release();
}

VARIANT VariantFrom(const std::string& text)
{
    return fw::MakeVariant(text.c_str()).release();
}

VARIANT VariantFrom(const unsigned char* bytes, std::size_t length) noexcept
{
    VARIANT result;
    VariantInit(&result);
    if (length > std::numeric_limits<ULONG>::max() || (bytes == nullptr && length != 0))
        return result;
    fw::unique_safearray array(SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(length)));
    if (!array)
        return result;
    {
        fw::safearray_access data(array.get());
        if (!data)
            return result;
        if (length != 0)
            std::memcpy(data.data(), bytes, length);
    }
    V_VT(&result) = VT_ARRAY | VT_UI1;
    V_ARRAY(&result) = array.release();
    return result;
}

namespace {

template <VARTYPE Type, typename Setter>
VARIANT MakeScalar(Setter set) noexcept
{
    VARIANT result;
    VariantInit(&result);
    V_VT(&result) = Type;
    set(result);
    return result;
}

} // namespace

// The one-byte types are stored sign- or zero-extended into the 16-bit integer member, so the whole
// member is defined whichever width a reader uses.
VARIANT VariantFrom(signed char value) noexcept
{
    return MakeScalar<VT_I1>([&](VARIANT& v) { V_I2(&v) = value; });
}

VARIANT VariantFrom(short value) noexcept
{
    return MakeScalar<VT_I2>([&](VARIANT& v) { V_I2(&v) = value; });
}

VARIANT VariantFrom(int value) noexcept
{
    return MakeScalar<VT_I4>([&](VARIANT& v) { V_I4(&v) = value; });
}

VARIANT VariantFrom(long value) noexcept
{
    return MakeScalar<VT_I4>([&](VARIANT& v) { V_I4(&v) = value; });
}

VARIANT VariantFrom(unsigned char value) noexcept
{
    return MakeScalar<VT_UI1>([&](VARIANT& v) { V_I2(&v) = value; });
}

VARIANT VariantFrom(unsigned short value) noexcept
{
    return MakeScalar<VT_UI2>([&](VARIANT& v) { V_UI2(&v) = value; });
}

VARIANT VariantFrom(unsigned int value) noexcept
{
    return MakeScalar<VT_UI4>([&](VARIANT& v) { V_UI4(&v) = value; });
}

VARIANT VariantFrom(unsigned long value) noexcept
{
    return MakeScalar<VT_UI4>([&](VARIANT& v) { V_UI4(&v) = value; });
}
