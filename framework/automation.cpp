#include "framework/automation.h"

#include "framework/ole_exception.h"

namespace fw {
namespace {

bool SameName(std::string_view tableName, std::wstring_view asked) noexcept
{
    if (tableName.size() != asked.size())
        return false;
    for (std::size_t index = 0; index < asked.size(); ++index) {
        wchar_t left = static_cast<unsigned char>(tableName[index]);
        wchar_t right = asked[index];
        if (left >= L'A' && left <= L'Z')
            left += L'a' - L'A';
        if (right >= L'A' && right <= L'Z')
            right += L'a' - L'A';
        if (left != right)
            return false;
    }
    return true;
}

} // namespace

AutomationObject::AutomationObject(ObjectCount* count) noexcept : m_count(count)
{
    if (m_count != nullptr)
        m_count->Increment();
}

AutomationObject::~AutomationObject()
{
    if (m_count != nullptr)
        m_count->Decrement();
}

HRESULT AutomationObject::QueryInterface(REFIID iid, void** object) noexcept
{
    if (object == nullptr)
        return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDispatch || (iid != GUID_NULL && iid == DispatchInterfaceId())) {
        *object = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG AutomationObject::AddRef() noexcept
{
    return ++m_references;
}

ULONG AutomationObject::Release() noexcept
{
    ULONG remaining = --m_references;
    if (remaining == 0)
        delete this;
    return remaining;
}

HRESULT AutomationObject::GetTypeInfoCount(UINT* count) noexcept
{
    if (count == nullptr)
        return E_INVALIDARG;
    *count = 0;
    return S_OK;
}

HRESULT AutomationObject::GetTypeInfo(UINT, LCID, ITypeInfo** info) noexcept
{
    if (info != nullptr)
        *info = nullptr;
    return DISP_E_BADINDEX;
}

const DispatchMember* AutomationObject::Find(std::wstring_view name) const noexcept
{
    for (const DispatchMember& member : Members())
        if (SameName(member.name, name))
            return &member;
    return nullptr;
}

HRESULT AutomationObject::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT nameCount, LCID, DISPID* ids) noexcept
try {
    if (iid != IID_NULL)
        return DISP_E_UNKNOWNINTERFACE;
    if (nameCount == 0)
        return S_OK;
    if (names == nullptr || ids == nullptr)
        return E_INVALIDARG;
    for (UINT index = 0; index < nameCount; ++index)
        ids[index] = DISPID_UNKNOWN;
    if (names[0] == nullptr)
        return DISP_E_UNKNOWNNAME;
    std::wstring_view name(names[0]);
    OnNameLookup(name);
    const DispatchMember* member = Find(name);
    if (member == nullptr || !HasMember(*member))
        return DISP_E_UNKNOWNNAME;
    ids[0] = static_cast<DISPID>(member - Members().data()) + 1;
    // Members take no named parameters: any further name is unknown.
    return nameCount == 1 ? S_OK : DISP_E_UNKNOWNNAME;
} catch (...) {
    return E_UNEXPECTED;
}

HRESULT AutomationObject::Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* parameters, VARIANT* result,
                                 EXCEPINFO* exception, UINT* argumentError) noexcept
try {
    if (iid != IID_NULL)
        return DISP_E_UNKNOWNINTERFACE;
    std::span<const DispatchMember> members = Members();
    if (id < 1 || static_cast<std::size_t>(id) > members.size() || !HasMember(members[id - 1]))
        return DISP_E_MEMBERNOTFOUND;
    if (parameters == nullptr)
        return E_INVALIDARG;
    if (result != nullptr)
        VariantInit(result);
    return InvokeMember(members[id - 1], flags, *parameters, result, argumentError);
} catch (...) {
    return ReportException(exception);
}

HRESULT AutomationObject::InvokeMember(const DispatchMember& member, WORD flags, const DISPPARAMS& parameters,
                                       VARIANT* result, UINT* argumentError)
{
    const bool put = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
    if (put ? member.put == nullptr : ((flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET)) == 0 || !member.invoke))
        return DISP_E_MEMBERNOTFOUND;
    // A put names its value DISPID_PROPERTYPUT; nothing else takes named arguments.
    const UINT named = put ? 1 : 0;
    if (parameters.cNamedArgs != named) {
        if (!put)
            return DISP_E_NONAMEDARGS;
        return DISP_E_PARAMNOTFOUND;
    }
    if (put && (parameters.rgdispidNamedArgs == nullptr || parameters.rgdispidNamedArgs[0] != DISPID_PROPERTYPUT))
        return DISP_E_PARAMNOTFOUND;
    if (parameters.cArgs < named || (parameters.cArgs > 0 && parameters.rgvarg == nullptr))
        return E_INVALIDARG;
    const unsigned given = parameters.cArgs - named;
    const unsigned required = put ? member.parameterCount : member.parameterCount - member.optionalCount;
    if (given < required || given > member.parameterCount)
        return DISP_E_BADPARAMCOUNT;
    HRESULT hook = BeforeInvoke(member, flags, given);
    if (FAILED(hook))
        return hook;

    // rgvarg holds the named arguments first, then the positional ones in reverse order.
    std::array<unique_variant, maxDispatchParameters + 1> arguments;
    auto coerce = [&](unsigned slot, unsigned position, VARTYPE type) {
        HRESULT status = Coerce(parameters.rgvarg[position], type, arguments[slot]);
        if (FAILED(status) && argumentError != nullptr)
            *argumentError = position;
        return status;
    };
    for (unsigned index = 0; index < member.parameterCount; ++index) {
        if (index >= given) {
            arguments[index] = MissingArgument();
            continue;
        }
        if (HRESULT status = coerce(index, parameters.cArgs - 1 - index, member.parameterTypes[index]); FAILED(status))
            return status;
    }
    if (put) {
        if (HRESULT status = coerce(member.parameterCount, 0, member.valueType); FAILED(status))
            return status;
        member.put(*this, arguments.data(), nullptr);
        return S_OK;
    }
    member.invoke(*this, arguments.data(), result);
    return S_OK;
}

} // namespace fw
