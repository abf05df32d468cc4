// The automation object base: an IDispatch implementation driven by a constexpr member table. A class lists
// its members in the order that gives their dispatch ids (first member = id 1), each with its kind and a
// member function whose signature fixes the argument and result types:
//
//   std::span<const fw::DispatchMember> Sample::Members() const noexcept
//   {
//       static constexpr fw::DispatchMember members[] = {
//           fw::Method<&Sample::Setup>("Setup"),                  // bool Setup(IDispatch* application)
//           fw::Property<&Sample::Name, &Sample::SetName>("Name"), // std::string Name(), void SetName(std::string)
//       };
//       return members;
//   }
//
// Invoke checks the call's kind and argument count, coerces every argument to its declared type
// (VariantChangeType), calls the member and converts its result. Failures give the automation results a
// caller expects: DISP_E_MEMBERNOTFOUND, DISP_E_BADPARAMCOUNT, DISP_E_TYPEMISMATCH with the argument's
// position in puArgErr, DISP_E_NONAMEDARGS, DISP_E_PARAMNOTFOUND; an exception thrown by a member becomes
// DISP_E_EXCEPTION with the EXCEPINFO filled (ReportException). No C++ exception leaves an IDispatch member.
//
// Argument types: short, int, long, double, bool, std::string (narrow text, system code page), IDispatch*
// (borrowed for the call), const VARIANT& (any value, references followed). Result types: the same (but no
// IDispatch*: return ComPtr<...>), fw::unique_variant, or void.
#pragma once

#include "framework/com.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <span>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>

namespace fw {

class AutomationObject;

enum class DispatchKind : unsigned char { Method, Property };

inline constexpr std::size_t maxDispatchParameters = 8;

// Converts the coerced arguments (in call order; for a property put, the new value last) and calls the
// member; writes the result into *result when result is not null. May throw.
using DispatchThunk = void (*)(AutomationObject& object, unique_variant* arguments, VARIANT* result);

struct DispatchMember {
    std::string_view name;                  // matched without regard to ASCII letter case
    // How the member reads in the table. Calls are not refused by it: automation clients mix
    // DISPATCH_METHOD and DISPATCH_PROPERTYGET, so either reaches a method or a property get.
    DispatchKind kind = DispatchKind::Method;
    VARTYPE resultType = VT_EMPTY;          // method or property get; VT_EMPTY: none
    std::array<VARTYPE, maxDispatchParameters> parameterTypes{};  // of the method or the get
    unsigned char parameterCount = 0;
    unsigned char optionalCount = 0;        // trailing parameters (VARIANT) a caller may leave out
    VARTYPE valueType = VT_EMPTY;           // property put: the type of the new value
    DispatchThunk invoke = nullptr;         // method or property get
    DispatchThunk put = nullptr;            // property put

    // The last `count` parameters may be left out; they then arrive as missing-argument VARIANTs, so they
    // must be VARIANT parameters.
    constexpr DispatchMember Optional(unsigned char count) const
    {
        DispatchMember copy = *this;
        if (count > parameterCount)
            throw "more optional parameters than parameters";
        for (unsigned index = parameterCount - count; index < parameterCount; ++index)
            if (parameterTypes[index] != VT_VARIANT)
                throw "an optional parameter must be a VARIANT";
        copy.optionalCount = count;
        return copy;
    }
};

// Live-object count of a module (what DllCanUnloadNow answers from). Objects of no module pass none.
class ObjectCount {
public:
    void Increment() noexcept { ++m_count; }
    void Decrement() noexcept { --m_count; }
    long Value() const noexcept { return m_count.load(); }

private:
    std::atomic<long> m_count{0};
};

class AutomationObject : public IDispatch {
public:
    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) noexcept override;
    ULONG STDMETHODCALLTYPE AddRef() noexcept override;
    ULONG STDMETHODCALLTYPE Release() noexcept override;
    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) noexcept override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) noexcept override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT nameCount, LCID locale,
                                            DISPID* ids) noexcept override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* parameters,
                                     VARIANT* result, EXCEPINFO* exception, UINT* argumentError) noexcept override;

protected:
    // Starts with no reference: the creator takes the first (ComPtr, Make).
    explicit AutomationObject(ObjectCount* count = nullptr) noexcept;
    virtual ~AutomationObject();
    AutomationObject(const AutomationObject&) = delete;
    AutomationObject& operator=(const AutomationObject&) = delete;

    virtual std::span<const DispatchMember> Members() const noexcept = 0;
    // A dispatch interface id the object answers besides IDispatch (GUID_NULL: none).
    virtual const IID& DispatchInterfaceId() const noexcept { return GUID_NULL; }

    // Hooks for objects that imitate a particular host. Called inside the boundary's catch-all, so they
    // may throw: an exception from BeforeInvoke becomes DISP_E_EXCEPTION.
    virtual void OnNameLookup(std::wstring_view name) { (void)name; }
    virtual bool HasMember(const DispatchMember& member) const { return (void)member, true; }
    // A failed result is returned by Invoke as it is, before any argument is looked at further.
    virtual HRESULT BeforeInvoke(const DispatchMember& member, WORD flags, unsigned argumentCount)
    {
        (void)member, (void)flags, (void)argumentCount;
        return S_OK;
    }

private:
    const DispatchMember* Find(std::wstring_view name) const noexcept;
    HRESULT InvokeMember(const DispatchMember& member, WORD flags, const DISPPARAMS& parameters, VARIANT* result,
                         UINT* argumentError);

    std::atomic<ULONG> m_references{0};
    ObjectCount* m_count;
};

// Makes an object and hands out its first reference.
template <typename Object, typename... Arguments>
ComPtr<Object> Make(Arguments&&... arguments)
{
    return ComPtr<Object>(new Object(std::forward<Arguments>(arguments)...));
}

namespace detail {

template <typename Function>
struct Signature;
template <typename Class, typename Result, typename... Parameters>
struct Signature<Result (Class::*)(Parameters...)> {
    using ClassType = Class;
    using ResultType = Result;
    using ParameterTypes = std::tuple<std::remove_cvref_t<Parameters>...>;
};
template <typename Class, typename Result, typename... Parameters>
struct Signature<Result (Class::*)(Parameters...) const> : Signature<Result (Class::*)(Parameters...)> {};
template <typename Class, typename Result, typename... Parameters>
struct Signature<Result (Class::*)(Parameters...) noexcept> : Signature<Result (Class::*)(Parameters...)> {};
template <typename Class, typename Result, typename... Parameters>
struct Signature<Result (Class::*)(Parameters...) const noexcept> : Signature<Result (Class::*)(Parameters...)> {};

template <typename Result>
constexpr VARTYPE ResultType()
{
    if constexpr (std::is_void_v<Result>)
        return VT_EMPTY;
    else
        return VariantTraits<Result>::type;
}

template <typename Result>
void StoreResult(VARIANT* target, Result&& value)
{
    using Type = std::remove_cvref_t<Result>;
    if (target == nullptr)
        return;
    if constexpr (std::is_same_v<Type, unique_variant>)
        *target = value.release();
    else
        *target = MakeVariant(value).release();
}

template <auto Function, std::size_t... Index>
void Call(AutomationObject& object, unique_variant* arguments, VARIANT* result, std::index_sequence<Index...>)
{
    using Traits = Signature<decltype(Function)>;
    using Parameters = typename Traits::ParameterTypes;
    auto& self = static_cast<typename Traits::ClassType&>(object);
    if constexpr (std::is_void_v<typename Traits::ResultType>)
        (self.*Function)(VariantTraits<std::tuple_element_t<Index, Parameters>>::Extract(*arguments[Index])...);
    else
        StoreResult(result,
                    (self.*Function)(VariantTraits<std::tuple_element_t<Index, Parameters>>::Extract(*arguments[Index])...));
}

template <auto Function>
void Thunk(AutomationObject& object, unique_variant* arguments, VARIANT* result)
{
    using Parameters = typename Signature<decltype(Function)>::ParameterTypes;
    Call<Function>(object, arguments, result, std::make_index_sequence<std::tuple_size_v<Parameters>>{});
}

template <typename Parameters, std::size_t... Index>
constexpr void StoreTypes(DispatchMember& member, std::index_sequence<Index...>)
{
    ((member.parameterTypes[Index] = VariantTraits<std::tuple_element_t<Index, Parameters>>::type), ...);
}

template <auto Function>
constexpr void DescribeParameters(DispatchMember& member, bool dropLast)
{
    using Parameters = typename Signature<decltype(Function)>::ParameterTypes;
    constexpr std::size_t count = std::tuple_size_v<Parameters>;
    static_assert(count <= maxDispatchParameters, "too many parameters");
    StoreTypes<Parameters>(member, std::make_index_sequence<count>{});
    member.parameterCount = static_cast<unsigned char>(dropLast ? count - 1 : count);
    if (dropLast)
        member.valueType = member.parameterTypes[count - 1];
}

} // namespace detail

template <auto Function>
constexpr DispatchMember Method(std::string_view name)
{
    DispatchMember member;
    member.name = name;
    member.kind = DispatchKind::Method;
    member.resultType = detail::ResultType<typename detail::Signature<decltype(Function)>::ResultType>();
    detail::DescribeParameters<Function>(member, false);
    member.invoke = &detail::Thunk<Function>;
    return member;
}

// A read-only property.
template <auto Get>
constexpr DispatchMember Property(std::string_view name)
{
    DispatchMember member = Method<Get>(name);
    member.kind = DispatchKind::Property;
    return member;
}

// A read-write property: Put takes the get's parameters followed by the new value.
template <auto Get, auto Put>
constexpr DispatchMember Property(std::string_view name)
{
    DispatchMember member = Property<Get>(name);
    DispatchMember setter;
    detail::DescribeParameters<Put>(setter, true);
    if (setter.parameterCount != member.parameterCount)
        throw "the put must take the get's parameters and the value";
    member.valueType = setter.valueType;
    member.put = &detail::Thunk<Put>;
    return member;
}

// A write-only property.
template <auto Put>
constexpr DispatchMember PutProperty(std::string_view name)
{
    DispatchMember member;
    member.name = name;
    member.kind = DispatchKind::Property;
    detail::DescribeParameters<Put>(member, true);
    member.put = &detail::Thunk<Put>;
    return member;
}

} // namespace fw
