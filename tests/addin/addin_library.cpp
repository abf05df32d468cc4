#include "addin_library.h"

#include "framework/ole_exception.h"

#include <stdexcept>

namespace addin_testing {
namespace {

template <typename Function>
void FindEntryPoint(HMODULE module, const char* name, Function& function)
{
    // Through void*: FARPROC's type says nothing about the real signature.
    function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

} // namespace

AddinLibrary& AddinLibrary::Get()
{
    static AddinLibrary library;
    return library;
}

AddinLibrary::AddinLibrary()
{
    // The DLL sits beside the test executables.
    m_module = LoadLibraryW(L"Ulnara19.dll");
    if (m_module == nullptr)
        throw std::runtime_error("Ulnara19.dll does not load (" + std::to_string(GetLastError()) + ")");
    FindEntryPoint(m_module, "DllGetClassObject", m_getClassObject);
    FindEntryPoint(m_module, "DllCanUnloadNow", m_canUnloadNow);
    FindEntryPoint(m_module, "DllRegisterServer", m_registerServer);
    if (!m_getClassObject || !m_canUnloadNow || !m_registerServer)
        throw std::runtime_error("Ulnara19.dll lacks an entry point");
}

fw::ComPtr<IClassFactory> AddinLibrary::ClassObject(REFCLSID classId, HRESULT* status) const
{
    fw::ComPtr<IClassFactory> factory;
    HRESULT result = m_getClassObject(classId, IID_IClassFactory, reinterpret_cast<void**>(factory.GetAddressOf()));
    if (status != nullptr)
        *status = result;
    return factory;
}

fw::ComPtr<IDispatch> AddinLibrary::Create(REFCLSID classId) const
{
    fw::ComPtr<IClassFactory> factory = ClassObject(classId);
    fw::ComPtr<IDispatch> object;
    if (!factory || FAILED(factory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(object.GetAddressOf()))))
        throw std::runtime_error("the add-in does not make the class");
    return object;
}

HRESULT AddinLibrary::CanUnloadNow() const
{
    return m_canUnloadNow();
}

HRESULT AddinLibrary::RegisterServer() const
{
    return m_registerServer();
}

std::wstring AddinLibrary::FileName() const
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(m_module, path, MAX_PATH);
    return path;
}

DISPID IdOf(IDispatch* object, const wchar_t* member)
{
    LPOLESTR names[] = {const_cast<LPOLESTR>(member)};
    DISPID id = 12345;
    HRESULT status = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_SYSTEM_DEFAULT, &id);
    return SUCCEEDED(status) ? id : DISPID_UNKNOWN;
}

CallResult CallMember(IDispatch* object, const wchar_t* member, IDispatch* argument)
{
    CallResult call;
    fw::unique_variant value = fw::MakeVariant(argument);
    DISPPARAMS parameters{value.get(), nullptr, 1, 0};
    fw::unique_variant result;
    EXCEPINFO exception{};
    UINT argumentError = 0;
    call.status = object->Invoke(IdOf(object, member), IID_NULL, LOCALE_SYSTEM_DEFAULT, DISPATCH_METHOD, &parameters,
                                 result.put(), &exception, &argumentError);
    if (call.status == DISP_E_EXCEPTION)
        call.description = fw::TakeException(exception).m_strDescription;
    // The add-in's members all answer VT_BOOL: anything else is a failure of the call.
    if (SUCCEEDED(call.status) && result.type() != VT_BOOL)
        call.status = DISP_E_TYPEMISMATCH;
    if (SUCCEEDED(call.status))
        call.value = V_BOOL(result.get()) != VARIANT_FALSE;
    return call;
}

} // namespace addin_testing
